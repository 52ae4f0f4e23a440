#pragma once

#include <cstdio>
#include <unistd.h>

// A yes-or-no question asked on the terminal, for a command that changes something outside
// the tool. Only "y" or "Y" is yes; without a terminal on stdin nobody can answer, and the
// answer is no.
inline bool askedYes(const char* question)
{
    if (!::isatty(STDIN_FILENO)) return false;
    std::fprintf(stderr, "%s [y/N] ", question);
    std::fflush(stderr);
    char answer[16] = {};
    return std::fgets(answer, sizeof answer, stdin) && (answer[0] == 'y' || answer[0] == 'Y');
}
