#pragma once
// Runs a shell command and answers what it wrote to standard output ("" when it cannot run).

#include <string>

std::string ShellOutput(const std::string& command);
