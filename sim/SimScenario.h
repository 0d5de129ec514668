#pragma once

#include "VirtualHidBackend.h"
#include "VirtualKeyboard.h"

#include <string>

// A virtual keyboard described in one line, for --simulate runs and CLI tests.
struct SimScenario {
    VirtualKeyboard::Options options;
    VirtualKeyboard::Faults faults;
    int unplugAfterMs = -1;
    int keepKeys = -1;        // keep only the first n keys of the matrix (row-major), -1 all
    bool distinctive = true;  // call fillDistinctive()
    bool denied = false;      // the user may not open the keyboard's interfaces
};

// Parses comma-separated key=value items, e.g.
// "latency=50,dropEvery=3,only=0x2A,unplugAfterMs=800,replugAfterMs=300,keys=5,silentFirst=0",
// on top of what scenario already holds (the caller sets the family first;
// a family= item overrides it).
// Keys: latency (ms, may be fractional), drop, dropEvery, corrupt,
// corruptEvery, fail, failEvery, foreign, foreignStreamMs (an unasked-for
// frame every so many ms), only (the request command, decimal or 0x hex),
// refuseBlocks (firmware blocks not stored), nack (0/1: refused blocks
// answered with status 1 instead of silence), unplugAfterFrames,
// unplugAfterMs, replugAfterMs, keys,
// silentFirst (0/1: the silent interface listed first), distinctive (0/1),
// denied (0/1: no permission to open the keyboard's interfaces), bootLoader
// (0/1: the keyboard starts in its boot loader, as an update left it), family. Integers may be written in 0x hex throughout.
// Empty text is an empty scenario. On an unknown key or a bad value it
// returns false with a one-line error naming the item, and leaves scenario
// as it was.
bool parseSimScenario(const std::string &text, SimScenario &scenario, std::string &error);

// Adds the keyboard to the backend, keeps only its first keepKeys keys,
// makes it distinctive, sets its faults and schedules unplugAfterMs.
VirtualKeyboard &addScenarioKeyboard(VirtualHidBackend &backend, const SimScenario &scenario);

// The scenario of a --simulate run: the family given on the command line,
// then the items of the environment variable CORVANE_SIM_SCENARIO, if set.
// False with a one-line error when the variable does not parse.
bool simScenarioFromEnvironment(int family, SimScenario &scenario, std::string &error);
