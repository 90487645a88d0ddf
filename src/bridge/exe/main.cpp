// tidemark2nv-link: serves one data-service component over standard input and output for
// a program that cannot load it itself (the provider's component is a 32-bit one).

#include <iostream>
#include <string>
#include <vector>

#include "bridge/bridge_nv_link.h"
#include "bridge/exe/served_link.h"
#include "text/child_process.h"

int main(int argc, char** argv)
{
    using namespace tidemark;
    const std::vector<std::string> args(argv + 1, argv + argc);
    std::string error;
    std::unique_ptr<NvLink> link = bridge::makeServedLink(args, error);
    if (!link) {
        std::cerr << "tidemark2nv-link: " << error << '\n';
        return 2;
    }
    std::cerr << "tidemark2nv-link: serving " << bridge::servedName() << '\n';
    return bridge::serveNvLink(*link, text::readStandardInput, text::writeStandardOutput);
}
