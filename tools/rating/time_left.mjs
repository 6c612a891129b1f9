#!/usr/bin/env node
// How much of its clock a player had left when each of its games ended,
// from the move times the runner writes into its PGN: the base, plus the
// increment after each of its moves, less what each move took. Shows
// whether a player keeps to its clock, and how much it leaves unused.
//
//   node tools/rating/time_left.mjs PLAYER FILE.pgn...

import { readFileSync } from 'node:fs';
import { readPgnGames, parseMoveComment } from './lib/pgn.mjs';

const [player, ...files] = process.argv.slice(2);
if (!player || files.length === 0) {
  console.error('usage: node time_left.mjs PLAYER FILE.pgn...');
  process.exit(2);
}

const left = [];
for (const file of files) {
  for (const { tags, moves } of readPgnGames(readFileSync(file, 'utf8'))) {
    const side = tags.White === player ? 0 : tags.Black === player ? 1 : -1;
    const tc = /^(\d+(?:\.\d+)?)\+(\d+(?:\.\d+)?)$/.exec(tags.TimeControl ?? '');
    if (side < 0 || !tc) continue;
    let clock = Number(tc[1]) * 1000;
    moves.forEach(({ comment }, ply) => {
      if (comment === null) return;
      const { ms } = parseMoveComment(comment);
      if (ms !== null && ply % 2 === side) clock += Number(tc[2]) * 1000 - ms;
      // A fallen flag ends the game at no time left, whatever the move took.
      if (comment.includes(`${side ? 'Black' : 'White'}'s flag fell`)) clock = Math.min(clock, 0);
    });
    left.push({ clock, tc: tags.TimeControl });
  }
}
if (left.length === 0) {
  console.error(`time_left.mjs: no timed game of ${player}`);
  process.exit(1);
}
const byClock = {};
for (const l of left) (byClock[l.tc] ??= []).push(l.clock / 1000);
for (const [tc, secs] of Object.entries(byClock)) {
  secs.sort((a, b) => a - b);
  const median = secs[Math.floor(secs.length / 2)];
  console.log(
    `${player} at ${tc}: ${secs.length} games; time left at the end: least ${secs[0].toFixed(2)} s, ` +
      `median ${median.toFixed(2)} s, most ${secs[secs.length - 1].toFixed(2)} s; ` +
      `${secs.filter((s) => s <= 0).length} lost on time`,
  );
}
