// Runs a fuzz target's entry function over kept inputs, without libFuzzer: each argument
// is a file or a folder of files. The normal test suite uses it to replay the seed corpus
// and every input a fuzzer once found, so the faults they showed stay fixed.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/resource.h>
#include <vector>

// Sanitizers reserve terabytes of address space up front; leave them their own limits.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define VK_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define VK_SANITIZED 1
#endif
#endif

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

int replay(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
    // An exact-size copy, as libFuzzer gives it.
    std::vector<uint8_t> input(bytes.begin(), bytes.end());
    input.shrink_to_fit();
    LLVMFuzzerTestOneInput(input.data(), input.size());
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
#ifndef VK_SANITIZED
    // Without a limit the kernel hands out gigabytes it never backs, and a decoder that asks
    // for them passes unnoticed; libFuzzer refuses such an allocation, and so does this.
    const rlimit space{rlim_t(4) << 30, rlim_t(4) << 30};
    setrlimit(RLIMIT_AS, &space);
#endif
    int count = 0;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path path(argv[i]);
        if (std::filesystem::is_directory(path)) {
            std::vector<std::filesystem::path> files;
            for (const auto& entry : std::filesystem::directory_iterator(path))
                if (entry.is_regular_file()) files.push_back(entry.path());
            std::sort(files.begin(), files.end());
            for (const auto& f : files) count += replay(f);
        } else if (std::filesystem::is_regular_file(path)) {
            count += replay(path);
        } else {
            std::fprintf(stderr, "no such input: %s\n", argv[i]);
            return 1;
        }
    }
    std::printf("replayed %d inputs\n", count);
    return count > 0 ? 0 : 1;
}
