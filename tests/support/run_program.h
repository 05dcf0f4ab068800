// Runs a program through the shell and collects its exit status and output.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

struct ProgramResult {
    int status = -1;
    std::string out;
    std::string err;
};

inline std::string readWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline ProgramResult runProgram(const std::string& commandLine) {
    static int counter = 0;
    std::string base = std::string(::testing::TempDir()) + "/run_" + std::to_string(::getpid()) +
                       "_" + std::to_string(counter++);
    std::string cmd = commandLine + " >" + base + ".out 2>" + base + ".err";
    int raw = std::system(cmd.c_str());
    ProgramResult r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = readWholeFile(base + ".out");
    r.err = readWholeFile(base + ".err");
    std::remove((base + ".out").c_str());
    std::remove((base + ".err").c_str());
    return r;
}
