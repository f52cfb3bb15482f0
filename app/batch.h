// korvath-batch: the workbench driven from the command line through the
// headless window. Options are applied strictly in the order given:
//
//   --load FILE / --save FILE   LOAD CFG / SAVE CFG on that file
//   --set NAME=VALUE            type VALUE into control NAME as a user would
//   --press CAPTION             press a button; wait for a worker it starts;
//                               print the panes (or the open dialog's boxes)
//   --close-dialog              close the open dialog
//   --timeout SECONDS           a worker running longer is stopped: exit 3
//
// At the end every field is printed as "NAME = text", then "Cost = ...".
// Exit 0; 2 with a one-line message on bad usage; 3 after a timeout.
#pragma once

#include <iosfwd>

int run_batch(int argc, char** argv, std::ostream& out, std::ostream& err);
