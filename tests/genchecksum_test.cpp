// The genchecksum command, run as a separate process on fixtures in a temporary
// folder: its messages, exit statuses and the bytes it leaves in the image.

#include "crc/crc.h"
#include "crc_oracle.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using bytes = std::vector<unsigned char>;

const char c_tool_g[] = GENCHECKSUM_PATH;
const char c_setpriv_g[] = "/usr/bin/setpriv";
const char c_strace_g[] = "/usr/bin/strace";
const int c_failure_status_g = 255;  // -1 from main, as a POSIX host reports it

struct run_options {
    const char* argv0 = nullptr;  // name the tool is invoked by; the path by default
    bool as_nobody = false;       // run without root's right to write anything
    rlim_t file_size_limit = RLIM_INFINITY;
    rlim_t address_space_limit = RLIM_INFINITY;
    std::vector<std::string> wrapper;  // a command that runs the tool, e.g. strace and its options
    std::vector<std::string> env;      // NAME=value settings added to the tool's environment
};

run_options invoked_as(const char* argv0)
{
    run_options o;
    o.argv0 = argv0;
    return o;
}

run_options as_nobody()
{
    run_options o;
    o.as_nobody = true;
    return o;
}

run_options with_file_size_limit(rlim_t limit)
{
    run_options o;
    o.file_size_limit = limit;
    return o;
}

// ASAN_OPTIONS for the tool: what the caller's environment sets, then `extra`.
std::string asan_options(const std::string& extra)
{
    const char* inherited = std::getenv("ASAN_OPTIONS");
    return "ASAN_OPTIONS=" + (inherited && *inherited ? std::string(inherited) + ":" : std::string()) + extra;
}

// Lets the tool allocate at most `limit` bytes at a time. A plain build gets
// an address-space limit. A build with AddressSanitizer can't start under one
// (the sanitizer reserves terabytes of shadow address space up front), so
// there the sanitizer's allocator enforces the same bound per allocation and
// returns null beyond it, as malloc does when the address space runs out.
run_options with_allocation_limit(rlim_t limit)
{
    run_options o;
#ifdef GENCHECKSUM_SANITIZED
    o.env = {asan_options("allocator_may_return_null=1:max_allocation_size_mb=" + std::to_string(limit >> 20))};
#else
    o.address_space_limit = limit;
#endif
    return o;
}

struct run_result {
    int status;  // exit status, or 1000 + the signal that ended the process
    std::string out;
};

// Runs the tool with `args` and returns its exit status and standard output.
// A run that hangs is ended by SIGALRM after 20 seconds.
run_result run_tool(const std::vector<std::string>& args, const run_options& opt = {})
{
    std::vector<std::string> words = opt.wrapper;
    if (opt.as_nobody) {
        words.insert(words.end(), {c_setpriv_g, "--reuid=65534", "--regid=65534", "--clear-groups"});
    }
    // argv0 renames the tool only when the tool is the program started.
    words.push_back(words.empty() && opt.argv0 ? opt.argv0 : c_tool_g);
    const std::string program = opt.wrapper.empty() && !opt.as_nobody ? std::string(c_tool_g) : words.front();
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);

    int pipe_fds[2];
    if (pipe(pipe_fds) != 0) return {-1, "pipe failed"};
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(pipe_fds[1], STDOUT_FILENO);
        close(pipe_fds[0]);
        close(pipe_fds[1]);
        signal(SIGXFSZ, SIG_IGN);  // a write past the size limit then fails with EFBIG
        const rlimit fsize = {opt.file_size_limit, opt.file_size_limit};
        const rlimit as = {opt.address_space_limit, opt.address_space_limit};
        setrlimit(RLIMIT_FSIZE, &fsize);
        setrlimit(RLIMIT_AS, &as);
        for (const std::string& setting : opt.env) {
            const size_t eq = setting.find('=');
            setenv(setting.substr(0, eq).c_str(), setting.substr(eq + 1).c_str(), 1);
        }
        alarm(20);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(pipe_fds[1]);
    std::string out;
    char chunk[4096];
    ssize_t got;
    while ((got = read(pipe_fds[0], chunk, sizeof chunk)) > 0 || (got < 0 && errno == EINTR)) {
        if (got > 0) out.append(chunk, (size_t)got);
    }
    close(pipe_fds[0]);
    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    return {WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 1000 + WTERMSIG(wstatus), out};
}

bytes read_file(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void write_file(const fs::path& p, const bytes& content)
{
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write((const char*)content.data(), (std::streamsize)content.size());
}

void put_le32(bytes& b, size_t at, u32 value)
{
    for (int k = 0; k < 4; ++k) b[at + k] = (unsigned char)(value >> (8 * k));
}

std::string hex_line(u32 crc)
{
    char line[32];
    std::snprintf(line, sizeof line, "crcval=0x%x.\n", (unsigned)crc);
    return line;
}

bytes random_image(size_t len, u32 seed)
{
    std::mt19937 rng(seed);
    bytes b(len);
    for (auto& x : b) x = (unsigned char)rng();
    return b;
}

// What a correct stamp makes of `image`: app_len, then the CRC-32 that the
// independent reference computes over the result.
bytes stamped(bytes image, u32* crc_out)
{
    put_le32(image, 28, (u32)image.size());
    const u32 crc = oracle_crc(32, image.data(), image.size(), 0xFFFFFFFF);
    put_le32(image, 32, crc);
    *crc_out = crc;
    return image;
}

// Every byte outside the header fields is the same and the length is kept.
void expect_intact_outside_header(const bytes& before, const bytes& after)
{
    ASSERT_EQ(after.size(), before.size());
    for (size_t k = 0; k < before.size(); ++k) {
        if (k >= 28 && k < 36) continue;
        ASSERT_EQ(after[k], before[k]) << "byte " << k;
    }
}

// `dir` holds `img` and nothing else: no temporary or backup file was left.
void expect_only_file(const fs::path& dir, const fs::path& img)
{
    const std::vector<fs::path> entries{fs::directory_iterator(dir), fs::directory_iterator()};
    EXPECT_EQ(entries, std::vector<fs::path>{img}) << "a stray file beside the image";
}

class genchecksum_cli : public testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/genchecksum_test.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        // The unprivileged runs must reach the fixtures.
        fs::permissions(dir_, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                  fs::perms::others_read | fs::perms::others_exec);
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path dir_;
};

TEST_F(genchecksum_cli, worked_example_forty_zero_bytes_then_a_second_run)
{
    const fs::path img = dir_ / "app.bin";
    write_file(img, bytes(40, 0));

    run_result r = run_tool({img});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "crcval=0x12f67410.\n");
    bytes expected(40, 0);
    const unsigned char fields[] = {0x28, 0, 0, 0, 0x10, 0x74, 0xF6, 0x12};
    std::copy(std::begin(fields), std::end(fields), expected.begin() + 28);
    EXPECT_EQ(read_file(img), expected);

    // The CRC covers the previous content of its own field: a second stamp differs.
    r = run_tool({img});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "crcval=0xbd299aad.\n");
    put_le32(expected, 32, 0xBD299AAD);
    EXPECT_EQ(read_file(img), expected);
}

TEST_F(genchecksum_cli, stamps_images_of_any_length_from_the_header_size_up)
{
    for (size_t len : {36, 37, 38, 39, 41, 1000, 65537}) {
        SCOPED_TRACE(testing::Message() << "length " << len);
        const fs::path img = dir_ / ("app" + std::to_string(len) + ".bin");
        const bytes image = random_image(len, (u32)len);
        write_file(img, image);
        u32 crc = 0;
        const bytes expected = stamped(image, &crc);

        // Arguments after the first are ignored.
        const run_result r = run_tool({img, "ignored"});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, hex_line(crc));
        EXPECT_EQ(read_file(img), expected);
    }
}

TEST_F(genchecksum_cli, no_argument_prints_usage_with_the_invoked_name)
{
    const run_result r = run_tool({}, invoked_as("stamp-my-app"));
    EXPECT_EQ(r.status, c_failure_status_g);
    EXPECT_EQ(r.out, "Wrong input! Useage: stamp-my-app appname\n");
}

TEST_F(genchecksum_cli, missing_file_fails_to_open)
{
    const fs::path img = dir_ / "missing.bin";
    const run_result r = run_tool({img});
    EXPECT_EQ(r.status, c_failure_status_g);
    EXPECT_EQ(r.out, "open " + img.string() + " fail.\n");
    EXPECT_FALSE(fs::exists(img));
}

TEST_F(genchecksum_cli, write_protected_image_is_reported_after_the_crc_and_kept)
{
    if (access(c_setpriv_g, X_OK) != 0) GTEST_SKIP() << "no " << c_setpriv_g << " to drop root's rights";
    const fs::path img = dir_ / "ro.bin";
    const bytes image = random_image(100, 7);
    write_file(img, image);
    fs::permissions(img, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    u32 crc = 0;
    stamped(image, &crc);

    const run_result r = run_tool({img}, as_nobody());
    EXPECT_EQ(r.status, c_failure_status_g);
    EXPECT_EQ(r.out, hex_line(crc) + "open " + img.string() + " for rewrite fail.\n");
    EXPECT_EQ(read_file(img), image);
}

// Paths the tool refuses before it reads or allocates: one line naming the
// path, status -1, nothing changed. An image too large for the memory at hand
// fails its allocation just as plainly.
TEST_F(genchecksum_cli, refuses_what_is_not_an_image_it_can_stamp)
{
    const fs::path empty = dir_ / "empty.bin", one = dir_ / "one.bin", short35 = dir_ / "short.bin";
    write_file(empty, {});
    write_file(one, bytes(1, 0x11));
    write_file(short35, random_image(35, 35));
    const fs::path folder = dir_ / "folder";
    fs::create_directory(folder);
    const fs::path fifo = dir_ / "fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    // Sparse files: no disk space is used. 2^31 bytes are out of range; 1 GiB
    // is in range but more than the run may allocate.
    const fs::path huge = dir_ / "huge.bin", big = dir_ / "big.bin";
    write_file(huge, {});
    fs::resize_file(huge, (uintmax_t)1 << 31);
    write_file(big, {});
    fs::resize_file(big, (uintmax_t)1 << 30);

    struct refusal {
        fs::path path;
        std::string line;
    };
    const refusal cases[] = {
        {empty, empty.string() + " is too short: 0 bytes, the header needs 36.\n"},
        {one, one.string() + " is too short: 1 bytes, the header needs 36.\n"},
        {short35, short35.string() + " is too short: 35 bytes, the header needs 36.\n"},
        {huge, huge.string() + " is too large: 2147483648 bytes, the limit is 2147483647.\n"},
        {folder, folder.string() + " is not a regular file.\n"},
        {fifo, fifo.string() + " is not a regular file.\n"},
        {"/dev/null", "/dev/null is not a regular file.\n"},
        // Not a refusal: the allocation itself fails, and says so.
        {big, "malloc 1073741824 fail.\n"},
    };
    for (const refusal& c : cases) {
        SCOPED_TRACE(c.path);
        const bool regular = fs::is_regular_file(c.path);
        const bytes before = regular && fs::file_size(c.path) < 100 ? read_file(c.path) : bytes();
        // Far too little memory for the image: a refusal must come before any
        // allocation by the length.
        const run_result r = run_tool({c.path}, with_allocation_limit((rlim_t)512 << 20));
        EXPECT_EQ(r.status, c_failure_status_g);
        EXPECT_EQ(r.out, c.line);
        if (regular && fs::file_size(c.path) < 100) {
            EXPECT_EQ(read_file(c.path), before);
        }
    }
    EXPECT_EQ(fs::file_size(huge), (uintmax_t)1 << 31);
    EXPECT_TRUE(fs::is_fifo(fifo));
}

// A file-size limit below the image's length makes the rewrite fail part-way;
// with a small image the failure surfaces only when the buffer is flushed.
TEST_F(genchecksum_cli, failed_write_reports_and_keeps_every_byte_outside_the_header)
{
    struct short_write {
        size_t len;
        rlim_t limit;
    };
    for (const short_write c : {short_write{65536, 4096}, short_write{40, 16}}) {
        SCOPED_TRACE(testing::Message() << "length " << c.len << " limit " << c.limit);
        const fs::path img = dir_ / "app.bin";
        const bytes image = random_image(c.len, 99);
        write_file(img, image);
        u32 crc = 0;
        stamped(image, &crc);

        const run_result r = run_tool({img}, with_file_size_limit(c.limit));
        EXPECT_EQ(r.status, c_failure_status_g);
        EXPECT_EQ(r.out, hex_line(crc) + "write file fail.\n");
        expect_intact_outside_header(image, read_file(img));
        expect_only_file(dir_, img);
    }
}

// The image is updated in place: the same inode, so hard links see the stamp,
// the mode is kept, and a symbolic link stays a link to the stamped file.
TEST_F(genchecksum_cli, stamp_keeps_the_file_identity)
{
    const fs::path img = dir_ / "app.bin", hard = dir_ / "hard.bin", sym = dir_ / "link.bin";
    const bytes image = random_image(256, 5);
    write_file(img, image);
    fs::permissions(img, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_hard_link(img, hard);
    fs::create_symlink(img, sym);
    struct stat before {};
    ASSERT_EQ(stat(img.c_str(), &before), 0);
    u32 crc = 0;
    const bytes expected = stamped(image, &crc);

    const run_result r = run_tool({sym});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, hex_line(crc));
    struct stat after {};
    ASSERT_EQ(stat(img.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_TRUE(fs::is_symlink(sym));
    EXPECT_EQ(read_file(img), expected);
    EXPECT_EQ(read_file(hard), expected);
}

// Why strace can't inject faults into the tool on this machine, or "" when it
// can: it must be installed, support -e inject and be allowed to ptrace
// (containers often forbid that).
std::string strace_unavailable()
{
    if (access(c_strace_g, X_OK) != 0) return std::string("no ") + c_strace_g;
    const std::string probe = std::string(c_strace_g) +
                              " -f -o /dev/null -e inject=openat:error=ENOENT:when=1000 true >/dev/null 2>&1";
    if (std::system(probe.c_str()) != 0) return "strace can't trace here (ptrace not permitted?) or lacks -e inject";
    return "";
}

// Faults injected by strace into the image's own system calls only (-P): the
// read, the open for writing, a write, the close. The image is 40 bytes
// (stdio keeps it in its buffer until the flush) or 64 KiB + 100 bytes (the
// first 64 KiB go straight from fwrite to the file, the last 100 at the
// flush). A failed read is reported before any CRC is computed; every other
// case reports its failure after the CRC line. All return status -1,
// and the image holds either its original bytes or, where the header's write
// got through before the fault, exactly the stamped bytes. A write cut short
// by the file-size limit is covered above.
TEST_F(genchecksum_cli, injected_faults_are_reported_and_lose_nothing)
{
    const std::string why = strace_unavailable();
    if (!why.empty()) GTEST_SKIP() << "fault injection skipped: " << why;

    enum outcome { kept_original, kept_stamped };
    enum failure { read_fails, rewrite_open_fails, write_fails };
    struct fault {
        const char* inject;  // strace's -e inject= value
        size_t len;
        failure reported;
        outcome content;
    };
    const fault cases[] = {
        {"read:error=EIO", 40, read_fails, kept_original},
        // The image's second openat is the open for rewrite.
        {"openat:error=EACCES:when=2", 40, rewrite_open_fails, kept_original},
        {"write:error=ENOSPC", 40, write_fails, kept_original},
        {"write:error=EIO", 40, write_fails, kept_original},
        {"write:error=EIO", 65636, write_fails, kept_original},
        // The first 64 KiB, header included, are written; the tail fails.
        {"write:error=ENOSPC:when=2", 65636, write_fails, kept_stamped},
        // The image's second close ends the rewrite, after a good flush.
        {"close:error=EIO:when=2", 40, write_fails, kept_stamped},
    };
    for (const fault& c : cases) {
        SCOPED_TRACE(testing::Message() << "inject=" << c.inject << " length " << c.len);
        const fs::path img = dir_ / "app.bin";
        const bytes image = random_image(c.len, (u32)c.len);
        write_file(img, image);
        u32 crc = 0;
        const bytes stamped_image = stamped(image, &crc);

        run_options opt;
        opt.wrapper = {c_strace_g, "-f", "-o", "/dev/null", "-P", img.string(), "-e", std::string("inject=") + c.inject};
        // LeakSanitizer can't run under ptrace; the untraced runs check leaks.
        opt.env = {asan_options("detect_leaks=0")};
        const run_result r = run_tool({img}, opt);
        EXPECT_EQ(r.status, c_failure_status_g);
        const std::string expected_out[] = {"read file fail.\n",
                                             hex_line(crc) + "open " + img.string() + " for rewrite fail.\n",
                                             hex_line(crc) + "write file fail.\n"};
        EXPECT_EQ(r.out, expected_out[c.reported]);
        const bytes after = read_file(img);
        expect_intact_outside_header(image, after);
        EXPECT_EQ(after, c.content == kept_original ? image : stamped_image);
        expect_only_file(dir_, img);
        fs::remove(img);
    }
}

}  // namespace
