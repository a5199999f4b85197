// A command file's lines converted on as many threads as the machine has cores
// (REFCONVERTER_THREADS may say fewer), each line's result logged in the file's order to
// "<command file name>.log" beside it (and to the console it was started from).
#pragma once

#include <string>

namespace refconv {

// 0 when every line converted, 1 when one failed, 2 when the command file could not be read.
int runCommandFile(const std::wstring& commandFile);

}  // namespace refconv
