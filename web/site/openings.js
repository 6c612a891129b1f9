// The opening's name for the position shown: the lichess data set's names
// (openings/, CC0, see its README), looked up by position, so a transposed
// move order is named too, and kept from the last named position of the
// game until a later one has a name of its own. The table is fetched when
// a position first needs a name, not with the page.

let table = null;

// A position's key in the table: its FEN without the move counters.
export const positionKey = (fen) => fen.split(' ').slice(0, 4).join(' ');

function load() {
  table ??= fetch('openings/openings.tsv').then(async (response) => {
    if (!response.ok) throw new Error(`HTTP status ${response.status}`);
    const names = new Map();
    for (const line of (await response.text()).split('\n')) {
      const [key, eco, name] = line.split('\t');
      if (name) names.set(key, { eco, name });
    }
    return names;
  }).catch((error) => {
    table = null;  // asked again next time
    throw error;
  });
  return table;
}

// The opening of the last named position among `fens` (from the start to
// the one shown), as {eco, name}, or null. Before the first move there is
// nothing to name and nothing is fetched.
export async function openingOf(fens) {
  if (fens.length < 2) return null;
  const names = await load();
  for (let i = fens.length - 1; i >= 0; i--) {
    const found = names.get(positionKey(fens[i]));
    if (found) return found;
  }
  return null;
}
