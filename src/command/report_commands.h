// Report and script commands: START, SHOW, TIMING, PAUSE, CLEAR, BREAK, COMPUTE, the
// titles and LIST. The parsing of BREAK and COMPUTE and the timing texts are pure
// functions, declared here for their tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "settings/options.h"

// "Elapsed: hh:mm:ss.cc" for a time in milliseconds.
std::string timing_elapsed_text(std::uint32_t milliseconds);
// The clock of the named timers (null: the platform's).
void timing_set_clock(std::uint32_t (*clock)());

// The words after BREAK into break settings; false (and *error set) when a word does not fit.
bool parse_break(const std::vector<std::string>& words, std::vector<BreakSetting>* breaks, std::string* error);
// The words after COMPUTE into one compute setting; false (and *error set) when they do not fit.
bool parse_compute(const std::vector<std::string>& words, ComputeSetting* compute, std::string* error);
// Adds a compute: one on the same break for the same columns is replaced.
void add_compute(std::vector<ComputeSetting>* computes, const ComputeSetting& compute);
// The lines BREAK and COMPUTE alone print.
std::string break_listing(const std::vector<BreakSetting>& breaks);
std::string compute_listing(const std::vector<ComputeSetting>& computes);
