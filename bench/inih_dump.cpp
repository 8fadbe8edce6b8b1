// The C parser baseline for bench_cli: inih's callback parse of an INI file, printing each
// entry as "section TAB key TAB value", the job quillet-cli dump does.
#include <cstdio>
#include <ini.h>

namespace {

int PrintEntry(void*, const char* section, const char* name, const char* value) {
    std::printf("%s\t%s\t%s\n", section, name, value);
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: inih_dump FILE\n");
        return 2;
    }
    return ini_parse(argv[1], PrintEntry, nullptr) == 0 ? 0 : 2;
}
