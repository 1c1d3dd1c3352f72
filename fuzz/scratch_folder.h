/*
 * A temporary folder a fuzz target fills once and runs its inputs in: the test kit's
 * ScratchFolder (tests/support/scratch_folder.h), one for the whole process.
 *
 * The game opens its files by paths relative to the working directory ("gfx\\tank.png"),
 * so a target writes its own small files here and enters the folder for the length of
 * each input; between inputs libFuzzer works in the folder it was started in. The
 * folder and everything written into it are removed when the process exits normally.
 * Main thread only.
 */
#pragma once

#include <string>

#include "tests/support/scratch_folder.h"

// Creates the folder (under the system's temporary folder: $TMPDIR, else /tmp); exits
// with one line if it cannot.
void make_scratch_folder(const char* target_name);

// The folder's absolute path.
const std::string& scratch_folder();

// Writes `bytes` to a file of the folder (its subfolders made as needed); exits with one
// line if it cannot.
void write_scratch_file(const std::string& relative_path, const std::string& bytes);

// Makes libFuzzer's findings land where it was started even while an input runs in the
// scratch folder: a relative -artifact_prefix (or none) becomes absolute. Call it from
// LLVMFuzzerInitialize with that function's arguments.
void keep_findings_in_start_folder(int* argc, char*** argv);

// Inside the scratch folder from construction to destruction; exits with one line if it
// cannot enter it.
class InScratchFolder {
 public:
  InScratchFolder();

 private:
  test_support::FolderEntry entry_;
};
