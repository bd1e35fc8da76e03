// Writes numbered trace lines to a given file as fast as it can; the trace
// log test runs several of these at once.
#include <cstdlib>
#include <string>

#include "common/trace.h"
#include "common/trace_log.h"

int main(int argc, char** argv) {
    if (argc != 4) return 2;
    velmo::GetTraceMaker().OpenLog(argv[1], 4096);
    const int count = std::atoi(argv[3]);
    const std::string filler = "abcdefghijklmnopqrstuvwxyzabcdefghijklmn";
    for (int i = 0; i < count; ++i) velmo::TraceLog("%s line %d %s", argv[2], i, filler.c_str());
    return 0;
}
