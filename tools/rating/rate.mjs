#!/usr/bin/env node
// The rating fit as a command of its own: reads the results of any number
// of PGN files (every game of every player together), fits ratings with
// the anchors given, prints the table and writes it as JSON for plot.mjs.

import { readFileSync, writeFileSync } from 'node:fs';
import { parseArgs } from 'node:util';
import { readPgnTags } from './lib/pgn.mjs';
import { fitRatings, formatTable, parseAnchors } from './lib/fit.mjs';

const usage = `usage: node rate.mjs GAMES.pgn... [--anchor "NAME=RATING"]... [--json FILE]

Without an anchor the players' mean is 0. --json defaults to ratings.json.`;

const scores = { '1-0': 1, '0-1': 0, '1/2-1/2': 0.5 };

function main() {
  let args;
  try {
    args = parseArgs({
      allowPositionals: true,
      options: {
        anchor: { type: 'string', multiple: true, default: [] },
        json: { type: 'string', default: 'ratings.json' },
        help: { type: 'boolean', short: 'h', default: false },
      },
    });
  } catch (e) {
    console.error(`rate.mjs: ${e.message}\n${usage}`);
    process.exit(2);
  }
  if (args.values.help || args.positionals.length === 0) {
    console.log(usage);
    process.exit(args.values.help ? 0 : 2);
  }
  try {
    const anchors = parseAnchors(args.values.anchor);
    const games = [];
    let unfinished = 0;
    for (const file of args.positionals) {
      for (const tags of readPgnTags(readFileSync(file, 'utf8'))) {
        if (!tags.White || !tags.Black || !(tags.Result in scores)) {
          unfinished += 1;
          continue;
        }
        games.push({ white: tags.White, black: tags.Black, score: scores[tags.Result] });
      }
    }
    if (games.length === 0) throw new Error('no finished games in the files given');
    const fit = fitRatings(games, anchors);
    console.log(`${games.length} games${unfinished ? ` (${unfinished} without a result left out)` : ''}\n`);
    console.log(formatTable(fit));
    writeFileSync(args.values.json, JSON.stringify({ anchors, games: games.length, ...fit }, null, 2) + '\n');
  } catch (e) {
    console.error(`rate.mjs: ${e.message}`);
    process.exit(1);
  }
}

main();
