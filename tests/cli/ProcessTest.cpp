// The program as a process: the signals and closed outputs a shell hands
// it, and a window without a display.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "cli/CommandLine.h"
#include "cli/Itemmap.h"

extern char** environ;

namespace {

// `itemmap ARGS...` in a process of its own, standard error to a file, its
// standard output to a pipe whose reading end is closed at once when
// `closedOutput`, otherwise to /dev/null.
class Process {
public:
    Process(std::vector<std::string> args, const std::string& errorFile, bool closedOutput,
            char** environment = environ) {
        args.insert(args.begin(), ITEMMAP_BINARY);
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        int pipeEnds[2] = {-1, -1};
        if (closedOutput) {
            if (pipe(pipeEnds) != 0) throw std::runtime_error("pipe");
            posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
            posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
        } else {
            posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        }
        posix_spawn_file_actions_addopen(&actions, 2, errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environment) != 0)
            throw std::runtime_error("spawn");
        posix_spawn_file_actions_destroy(&actions);
        if (closedOutput) {
            close(pipeEnds[0]);  // nobody reads: the first write fails
            close(pipeEnds[1]);
        }
    }
    void Signal(int signal) const { kill(pid_, signal); }
    // The exit status, or minus the signal that ended the process unhandled
    // (a shell shows both as 128 + the signal).
    int Wait() const {
        int status = 0;
        waitpid(pid_, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
    }

private:
    pid_t pid_ = 0;
};

// A SOC run that takes a while: 400 vectors and 200 prototypes.
std::vector<std::string> LongSoc(const std::string& file) {
    return {"soc", file, "--prototypes", "200", "--no-settle", "--items-tsv",
            std::filesystem::path(file).replace_filename("items.tsv").string()};
}

// Ctrl+C, SIGTERM and SIGHUP stop the run as STOP does: it writes its
// files and exits with a status that says which signal came. SIGKILL
// cannot be handled: the files of an earlier run stay as they were, and no
// half-written file is left beside them.
TEST_F(CommandLine, SignalsStopARunThatStillWritesItsFilesAKillLeavesThem) {
    dir.Write("big.txt", ReadFile(std::string(ITEMMAP_SAMPLES_DIR) + "/cancer-400x30.txt"));
    const struct {
        int signal;
        int status;  // the exit status of a handled signal; minus the signal of one that ends the process
    } signals[] = {{SIGINT, kExitStopped}, {SIGTERM, 143}, {SIGHUP, 129}, {SIGKILL, -SIGKILL}};
    const char* const files[] = {"soc.dat", "weights.dat", "clusters.dat", "itemmap-record.txt", "items.tsv"};
    for (const auto& s : signals) {
        for (const char* f : files) dir.Write(f, std::string("earlier ") + f);
        std::filesystem::remove(File("err.txt"));
        const Process run(LongSoc(File("big.txt")), File("err.txt"), false);
        // Signalled while it trains: once the table is read, long before the end.
        for (int waited = 0;
             waited < 100 && ReadFile(File("err.txt")).find("read 400 rows") == std::string::npos; ++waited)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        run.Signal(s.signal);
        EXPECT_EQ(run.Wait(), s.status) << s.signal;
        const bool handled = s.status > 0;
        for (const char* f : files)
            EXPECT_EQ(ReadFile(File(f)) == std::string("earlier ") + f, !handled) << s.signal << " " << f;
        EXPECT_EQ(ReadFile(File("err.txt")).find("SOC stopped at step ") != std::string::npos, handled)
            << s.signal;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
            EXPECT_NE(entry.path().extension(), ".tmp") << s.signal << " left " << entry.path();
    }
}

// `itemmap soc ... | head -1`: the reader goes away, the run goes on.
TEST_F(CommandLine, AClosedStandardOutputDoesNotStopTheRun) {
    const Process run({"soc", File("cancer.txt")}, File("err.txt"), true);
    EXPECT_EQ(run.Wait(), kExitFinished) << ReadFile(File("err.txt"));
    EXPECT_FALSE(ReadFile(File("weights.dat")).empty());
}

// A result file, or an output the command line names, that cannot be
// written is a failure, and says why.
TEST_F(CommandLine, AFileThatCannotBeWrittenFailsTheRun) {
    const struct {
        std::vector<std::string> args;  // after the input
        const char* file;
        bool folder;  // a folder stands in its place: nobody writes there, root neither
        const char* why;
        const char* outcome;
    } runs[] = {{{"mrp-mds"}, "clusters.dat", true, "Is a directory", "failed: MRP-MDS mapped the items in "},
                {{"soc"}, "soc.dat", true, "Is a directory", "failed: SOC trained "},
                {{"mrp-mds", "--tsv", File("absent/map.tsv")},
                 "absent/map.tsv",
                 false,
                 "No such file or directory",
                 "MRP-MDS finished: "}};
    for (const auto& run : runs) {
        if (run.folder) std::filesystem::create_directory(File(run.file));
        std::vector<std::string> args = run.args;
        args.insert(args.begin() + 1, File("cancer.txt"));
        const Result r = Itemmap(args);
        EXPECT_EQ(r.status, kExitRefused);
        EXPECT_NE(r.err.find("error: cannot write " + File(run.file) + ": " + run.why), std::string::npos)
            << r.err;
        EXPECT_NE(r.err.find(run.outcome), std::string::npos) << r.err;
        if (run.folder) std::filesystem::remove(File(run.file));
    }
}

// No display named, or one named that nobody answers on: one line, no abort.
TEST_F(CommandLine, WithoutADisplayTheWindowSaysHowToRunWithoutIt) {
    char deadDisplay[] = "DISPLAY=:7777";
    char* bare[] = {nullptr};
    char* dead[] = {deadDisplay, nullptr};
    for (char** environment : {bare, dead}) {
        const Process run({}, File("err.txt"), false, environment);
        EXPECT_EQ(run.Wait(), kExitUsage) << environment[0];
        const std::string err = ReadFile(File("err.txt"));
        EXPECT_EQ(err.rfind("itemmap: the window needs a display", 0), 0u) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    }
}

}  // namespace
