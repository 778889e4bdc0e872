#!/bin/bash
# normalise-recording.sh FILE: a recording (device/RECORDING.md) without what
# differs between two runs of the same scenario on two PCs or front ends: the
# header (program and build), the times between calls, the clock's values and
# the dates that begin the log's lines, and the enumerations and opens that
# failed while the writer restarted (their number depends on how long the
# restart took against the program's retries).
sed -E '1d
/"call":"(enumerate|open)",.*"result":[1-9]/d
s/,"dt":[0-9]+//
s/"time":-?[0-9]+/"time":0/
s/,"tm":\[[^]]*\]//
/"call":"log"/s/"text":"[A-Za-z]+ [0-9]+, [0-9]+  [0-9:]+ - /"text":"- /' "$1"
