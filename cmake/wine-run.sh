#!/bin/sh
# Runs a Windows program under wine: wine-run.sh WINESERVER WINE PROGRAM [ARG...]
#
# The wine server that a program starts goes down as soon as the program
# ends, and wine's own processes with it: a program that starts as it goes
# may fail at once ("recvmsg: Connection reset by peer"), and every other
# one waits for wine to come up again. So a server is started first that
# stays 10 seconds past the last program, for a whole test run, and wine's
# processes are brought up apart from the program, whose output they would
# otherwise hold open until the server ends. Tests run side by side take
# turns at this, so that none brings wine up with its own program.
server=$1
shift
exec 3>"${WINEPREFIX:-$HOME/.wine}.lock"
flock 3
if "$server" -p10 </dev/null >/dev/null 2>&1 3>&-; then
  "$1" cmd /c exit </dev/null >/dev/null 2>&1 3>&-
fi
exec 3>&-
exec "$@"
