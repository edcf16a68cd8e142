#pragma once
// The Windows files of desktop/platform/ share this: paths and texts
// between UTF-8 (everywhere in the program) and UTF-16 (the system's
// calls), and the system's reason for a failure on one line.
#include <string>

namespace desktop::platform {

// False for bytes that are not UTF-8.
bool widen(const std::string& text, std::wstring& wide);
std::string narrow(const std::wstring& wide);
// "The system cannot find the file specified (error 2)", for GetLastError's
// code.
std::string describeError(unsigned long code);
// The value of an environment variable as UTF-8; empty when unset.
std::string environmentValue(const wchar_t* name);

}  // namespace desktop::platform
