// One game between two started engines: the opening's moves, then each
// engine in turn on its own clock, until the rules, a clock, a forfeit or
// the agreed move limit end it. The clock runs from the command that asks
// for a move to the line that brings it; the increment comes after the move.

import { Board, boardResult, flagResult, lossFor, findMove } from './rules.mjs';

// tc: { base, inc } in ms. maxMoves: full moves, counted from the start.
// opening: { name, sans } from the start position, or a Chess960 start
// { name, sans: [], fen, chess960: true }.
export async function playGame({ white, black, opening, tc, maxMoves, margin = 0 }) {
  const board = new Board(opening.fen, { chess960: !!opening.chess960 });
  const sans = [];
  const lans = [];
  const times = [];
  const scores = [];
  for (const san of opening.sans) {
    const m = board.playSan(san);
    sans.push(m.san);
    lans.push(m.uci);
    times.push(null);
    scores.push(null);
  }
  const clock = { w: tc.base, b: tc.base };
  const engines = { w: white, b: black };
  const finish = (end) => ({ ...end, sans, lans, times, scores, openingPlies: opening.sans.length, clock });

  for (;;) {
    const ended = boardResult(board);
    if (ended) return finish(ended);
    if (maxMoves && lans.length >= 2 * maxMoves) {
      return finish({ result: '1/2-1/2', reason: `move limit of ${maxMoves} moves`, termination: 'adjudication' });
    }
    const side = board.turn();
    const engine = engines[side];
    if (!engine.alive) return finish(lossFor(side, `crashed: ${engine.exitDetail}`, 'abandoned'));

    const answer = await engine.requestMove(
      { fen: opening.fen ?? null, moves: lans, sans, wtime: clock.w, btime: clock.b, inc: tc.inc, side },
      clock[side] + margin,
    );
    if (answer.kind === 'exit') return finish(lossFor(side, `crashed: ${answer.detail}`, 'abandoned'));
    // A move that comes after the flag fell is too late all the same.
    if (answer.kind === 'timeout' || answer.ms > clock[side] + margin) {
      clock[side] = Math.min(0, clock[side] - answer.ms);
      // An engine still thinking past its time is in no state for the next game.
      if (answer.kind === 'timeout') engine.kill();
      return finish(flagResult(board, side, answer.kind === 'timeout' ? 'flag fell with no move' : 'flag fell'));
    }
    clock[side] += tc.inc - answer.ms;
    if (answer.kind === 'resign') return finish(lossFor(side, 'resigns', 'normal'));
    if (answer.kind === 'rejected') {
      return finish(lossFor(side, `refused the legal move ${sans.at(-1)} ("${answer.text}")`, 'rules infraction'));
    }
    const move = findMove(board, answer.text);
    if (!move) return finish(lossFor(side, `played an illegal move: ${answer.text}`, 'rules infraction'));
    board.play(move);
    engine.moveAccepted();
    sans.push(move.san);
    lans.push(move.uci);
    times.push(answer.ms);
    scores.push(answer.score ?? null);
  }
}
