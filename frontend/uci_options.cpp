// The options of the UCI front end: one table that lists them for "uci"
// and reads them in "setoption", each with what setting it changes.
#include <algorithm>

#include "frontend/clock.hpp"
#include "frontend/levels.hpp"
#include "frontend/uci.hpp"

Settings settings;

namespace {

enum Kind { CHECK, SPIN, STRING };

struct Option {
  const char* name;
  Kind kind;
  long long initial, lowest, highest;  // a check's initial value is 0 or 1
  bool Settings::*flag;                // for a check
  long long Settings::*number;         // for a spin
  std::string Settings::*text;         // for a string
  void (*changed)();                   // what else a new value does, or null
};

// A position set up for one kind of chess is no start for the other's moves.
void variant_changed() { game.known = false; }

constexpr int MOST_LINES = MOST_ROOT_MOVES;
constexpr long long LONGEST_OVERHEAD = 5000;

const Option options[] = {
    {"Ponder", CHECK, 0, 0, 1, &Settings::ponder, nullptr, nullptr, nullptr},
    {"UCI_LimitStrength", CHECK, 0, 0, 1, &Settings::limit_strength, nullptr, nullptr, nullptr},
    {"UCI_Elo", SPIN, FULL_STRENGTH_ELO, LOWEST_ELO, FULL_STRENGTH_ELO, nullptr, &Settings::elo,
     nullptr, nullptr},
    {"MultiPV", SPIN, 1, 1, MOST_LINES, nullptr, &Settings::lines, nullptr, nullptr},
    {"Move Overhead", SPIN, ClockLimits{}.overhead, 0, LONGEST_OVERHEAD, nullptr,
     &Settings::move_overhead, nullptr, nullptr},
    {"UCI_ShowWDL", CHECK, 0, 0, 1, &Settings::show_wdl, nullptr, nullptr, nullptr},
    {"UCI_Chess960", CHECK, 0, 0, 1, &Settings::chess960, nullptr, nullptr, variant_changed},
    {"UCI_AnalyseMode", CHECK, 0, 0, 1, &Settings::analyse_mode, nullptr, nullptr, nullptr},
    {"UCI_Opponent", STRING, 0, 0, 0, nullptr, nullptr, &Settings::opponent, nullptr},
};

// Every option at its initial value, before any setoption.
const bool initialised = [] {
  for (const Option& o : options) {
    if (o.kind == CHECK) settings.*o.flag = o.initial != 0;
    if (o.kind == SPIN) settings.*o.number = o.initial;
  }
  return true;
}();

const Option* option_named(std::string_view name) {
  for (const Option& o : options)
    if (same_letters(name, o.name)) return &o;
  return nullptr;
}

void set(const Option& o, const std::string& value) {
  std::string name = o.name;
  if (o.kind == STRING) {
    settings.*o.text = value;
  } else if (o.kind == CHECK) {
    if (!same_letters(value, "true") && !same_letters(value, "false")) {
      say("info string " + name + " is true or false, not " + shown(value));
      return;
    }
    settings.*o.flag = same_letters(value, "true");
  } else {
    long long number = 0;
    if (!read_number(value, number)) {
      say("info string " + name + " needs a number, not " + shown(value));
      return;
    }
    long long kept = std::clamp(number, o.lowest, o.highest);
    if (kept != number)
      say("info string " + name + " runs from " + std::to_string(o.lowest) + " to " +
          std::to_string(o.highest) + "; " + std::to_string(kept) + " is set");
    settings.*o.number = kept;
  }
  if (o.changed) o.changed();
}

}  // namespace

void print_options() {
  for (const Option& o : options) {
    std::string line = std::string("option name ") + o.name;
    if (o.kind == CHECK)
      line += std::string(" type check default ") + (o.initial ? "true" : "false");
    else if (o.kind == SPIN)
      line += " type spin default " + std::to_string(o.initial) + " min " +
              std::to_string(o.lowest) + " max " + std::to_string(o.highest);
    else
      line += " type string default <empty>";
    say(line);
  }
}

// "setoption name <id> [value <x>]": names may hold blanks.
void setoption_command(const Words& words) {
  size_t i = 1;
  if (i >= words.size() || words[i] != "name") {
    say("info string setoption needs: name <option> value <value>");
    return;
  }
  // The words from i up to `until` (or the end), one blank between each.
  auto words_until = [&](std::string_view until) {
    std::string text;
    for (; i < words.size() && words[i] != until; i++) {
      if (!text.empty()) text += ' ';
      text += words[i];
    }
    return text;
  };
  i++;
  std::string name = words_until("value");
  i++;
  std::string value = words_until("");
  if (const Option* o = option_named(name))
    set(*o, value);
  else
    say("info string no such option: " + shown(name));
}
