// cadhost: the headless host program.
#include "cadhost/cadhost_run.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    const int status = cadhost::runCadhost(args, std::cout, std::cerr);
    std::cout.flush();
    return status;
}
