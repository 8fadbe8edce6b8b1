#pragma once

class QTextStream;

// quillet-cli's whole behaviour, apart from the process around it: argv in, text out, exit
// status back. main() only sets up the streams; tests call this directly.
//
//   dump [--json] FILE               0 done, 2 error
//   compare [--json] FILE1 FILE2     0 no row differs, 1 some row differs, 2 error
//   set FILE SECTION KEY VALUE       0 done, 2 error
//   check [--json] [--db PATH] FILE  0 all admissible, 1 some not, 2 error or no value list
//   check [--json] --list LIST FILE...  the same against a value-list file
//   merge [--json] [-o OUT] [--markers] BASE OURS THEIRS
//                                    0 merged, 1 conflicts (written), 2 error (nothing written)
//   valuelist list|export|import     0 done, 2 error
//
// processEndsAfter: the caller ends the process right after (main() does). The models read
// are then left to the end of the process instead of being freed one record at a time,
// which for a large file costs more than printing it.
int CliMain(int argc, char** argv, QTextStream& out, QTextStream& err,
            bool processEndsAfter = false);
