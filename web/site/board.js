// The board: cm-chessboard shows a position, with the last move and a check
// marked and arrows for the engine's best move and a hint, and takes the
// player's moves by clicks, a drag of the mouse or of a finger; it asks for
// the piece of a promotion and offers only legal moves.
import { BORDER_TYPE, Chessboard, COLOR, FEN, INPUT_EVENT_TYPE } from './lib/cm-chessboard/src/Chessboard.js';
import { ARROW_TYPE, Arrows } from './lib/cm-chessboard/src/extensions/arrows/Arrows.js';
import { Markers, MARKER_TYPE } from './lib/cm-chessboard/src/extensions/markers/Markers.js';
import {
  PromotionDialog,
  PROMOTION_DIALOG_RESULT_TYPE,
} from './lib/cm-chessboard/src/extensions/promotion-dialog/PromotionDialog.js';

const boardColor = { w: COLOR.white, b: COLOR.black };

export class Board {
  // legalMoves(square): the moves (chess.js's, verbose) of the piece there;
  // onMove(move): the player has chosen one, promotion included.
  constructor(element, { legalMoves, onMove }) {
    this.legalMoves = legalMoves;
    this.onMove = onMove;
    this.shown = 0;  // counts what the board was told to show, so that a late answer is dropped
    this.board = new Chessboard(element, {
      position: FEN.start,
      assetsUrl: 'lib/cm-chessboard/assets/',
      style: { borderType: BORDER_TYPE.frame, animationDuration: 200 },
      extensions: [{ class: Markers, props: { autoMarkers: MARKER_TYPE.frame } }, { class: PromotionDialog },
                   { class: Arrows }],
    });
    this.arrows = '';
  }

  // The arrows: the analysis's best move and the hint, each a UCI move or null.
  setArrows({ best = null, hint = null }) {
    const key = `${best} ${hint}`;
    if (key === this.arrows) return;
    this.arrows = key;
    this.board.removeArrows();
    if (best) this.board.addArrow(ARROW_TYPE.info, best.slice(0, 2), best.slice(2, 4));
    if (hint) this.board.addArrow(ARROW_TYPE.success, hint.slice(0, 2), hint.slice(2, 4));
  }

  // Shows a position (chess.js) with the move that led to it; resolves once
  // the board has caught up (its animations done).
  show(chess, last, animated = true) {
    this.shown++;
    this.board.disableMoveInput();
    const { board } = this;
    board.removeMarkers(MARKER_TYPE.square);
    board.removeMarkers(MARKER_TYPE.circleDangerFilled);
    if (last) {
      board.addMarker(MARKER_TYPE.square, last.from);
      board.addMarker(MARKER_TYPE.square, last.to);
    }
    if (chess.inCheck()) {
      board.addMarker(MARKER_TYPE.circleDangerFilled, chess.findPiece({ type: 'k', color: chess.turn() })[0]);
    }
    this.fen = chess.fen();
    return board.setPosition(this.fen, animated);
  }

  // Takes the moves of `color` (w or b) until the next show() or stop().
  allowMoves(color) {
    this.board.enableMoveInput((event) => this.input(event, color), boardColor[color]);
  }

  stop() {
    this.board.disableMoveInput();
  }

  setOrientation(color, animated = false) {
    this.board.setOrientation(boardColor[color], animated);
  }

  flip() {
    this.board.setOrientation(this.board.getOrientation() === COLOR.white ? COLOR.black : COLOR.white, true);
  }

  // Which side is at the bottom, w or b.
  orientation() {
    return this.board.getOrientation() === COLOR.white ? 'w' : 'b';
  }

  input(event, color) {
    switch (event.type) {
      case INPUT_EVENT_TYPE.moveInputStarted: {
        const moves = this.legalMoves(event.squareFrom);
        this.board.addLegalMovesMarkers(moves);
        return moves.length > 0;
      }
      case INPUT_EVENT_TYPE.validateMoveInput: {
        this.board.removeLegalMovesMarkers();
        const move = this.legalMoves(event.squareFrom).find((candidate) => candidate.to === event.squareTo);
        if (!move) return false;
        const asked = this.shown;
        if (move.promotion) {
          this.board.showPromotionDialog(event.squareTo, boardColor[color], (result) => {
            if (this.shown !== asked) return;  // Undo or New game came first
            if (result.type === PROMOTION_DIALOG_RESULT_TYPE.pieceSelected) {
              this.onMove({ from: move.from, to: move.to, promotion: result.piece.charAt(1) });
            } else {
              this.board.setPosition(this.fen, true);  // the pawn goes back
            }
          });
        } else {
          // After the board has finished its own move, so that castling and
          // en passant show the rook's move and the taken pawn.
          setTimeout(() => this.shown === asked && this.onMove(move));
        }
        return true;
      }
      case INPUT_EVENT_TYPE.moveInputCanceled:
        this.board.removeLegalMovesMarkers();
        break;
    }
    return undefined;
  }
}
