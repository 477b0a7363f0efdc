// Runs a fuzzer's check once on each file named, without libFuzzer, so that a
// plain build replays the committed corpus: the fuzzer aborts on any fault.
#include <cstdint>
#include <cstdio>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

int main(int argc, char **argv) {
    for (int i = 1; i < argc; ++i) {
        std::FILE *file = std::fopen(argv[i], "rb");
        if (!file) {
            std::perror(argv[i]);
            return 1;
        }
        std::vector<uint8_t> bytes;
        for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file))
            bytes.push_back(static_cast<uint8_t>(c));
        std::fclose(file);
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    }
    std::printf("%d inputs replayed\n", argc - 1);
    return 0;
}
