// rescomp SCRIPT OUTPUT.c [DEPFILE]: compiles a module's resource script (ResourceScript.h)
// into a C source that carries the resources and registers them when the module is loaded.
#include "ResourceScript.h"

#include <cstdio>
#include <fstream>
#include <iostream>

namespace {

std::string DepfileEscape(const std::string& path)
{
    std::string out;
    for (char c : path) {
        if (c == ' ' || c == '#' || c == '\\')
            out += '\\';
        if (c == '$')
            out += '$';
        out += c;
    }
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3 && argc != 4) {
        std::cerr << "usage: rescomp SCRIPT OUTPUT.c [DEPFILE]\n";
        return 2;
    }
    using platform::tools::ResourceScript;
    try {
        const ResourceScript script = ResourceScript::Parse(argv[1]);
        const auto block = platform::tools::BuildResourceBlock(script.Resources());

        std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
        out << "/* Resources compiled by rescomp from " << argv[1] << ". */\n"
            << "void platform_register_module_resources(const void* block, unsigned long size);\n"
            << "void platform_unregister_module_resources(const void* block);\n\n"
            << "__attribute__((used, section(\".modres\"), aligned(16)))\n"
            << "static const unsigned char module_resources[" << block.size() << "] = {";
        for (std::size_t i = 0; i < block.size(); ++i) {
            if (i % 16 == 0)
                out << "\n   ";
            char byte[8];
            std::snprintf(byte, sizeof byte, " 0x%02x,", block[i]);
            out << byte;
        }
        out << "\n};\n\n"
            << "__attribute__((constructor)) static void module_resources_load(void)\n"
            << "{\n    platform_register_module_resources(module_resources, sizeof module_resources);\n}\n\n"
            << "__attribute__((destructor)) static void module_resources_unload(void)\n"
            << "{\n    platform_unregister_module_resources(module_resources);\n}\n";
        if (!out.flush())
            throw platform::tools::ScriptError(std::string(argv[2]) + ": cannot write");

        if (argc == 4) {
            std::ofstream dep(argv[3], std::ios::trunc);
            dep << DepfileEscape(argv[2]) << ":";
            for (const auto& input : script.Inputs())
                dep << " \\\n  " << DepfileEscape(std::filesystem::absolute(input).string());
            dep << "\n";
            if (!dep.flush())
                throw platform::tools::ScriptError(std::string(argv[3]) + ": cannot write");
        }
    } catch (const std::exception& e) {
        std::remove(argv[2]);
        std::cerr << "rescomp: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
