// The run modes. main hands each the words left after the options (the script
// or input file first, then the target, then words for the script) and
// returns the exit status it answers.
#pragma once

// Option -o: copies a file to the target, or dumps it without one.
int run_output_file(int argc, char **argv);
// Option -i: lines of numbers, names and strings sent as typed.
int run_interactive(int argc, char **argv);
// The default: preprocess, parse and run a script against the target.
int run_script(int argc, char **argv);
