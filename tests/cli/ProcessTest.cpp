// The program as a process: the signals and closed outputs a shell hands
// it, a window without a display, runs at the same time in one folder and a
// folder it may not write in.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "cli/CommandLine.h"
#include "cli/Itemmap.h"
#include "files/ResultRecord.h"
#include "files/TextFile.h"
#include "text/Numbers.h"

extern char** environ;

namespace {

// A command in a process of its own, standard error to a file, its
// standard output to a file, or to a pipe whose reading end is closed at
// once when `outputFile` is empty.
class Process {
public:
    Process(std::vector<std::string> command, const std::string& errorFile,
            const std::string& outputFile = "/dev/null", char** environment = environ) {
        std::vector<char*> argv;
        for (std::string& a : command) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        int pipeEnds[2] = {-1, -1};
        const bool closedOutput = outputFile.empty();
        if (closedOutput) {
            if (pipe(pipeEnds) != 0) throw std::runtime_error("pipe");
            posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
            posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
        } else {
            posix_spawn_file_actions_addopen(&actions, 1, outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                             0644);
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

// `itemmap ARGS...`.
std::vector<std::string> ItemmapCommand(std::vector<std::string> args) {
    args.insert(args.begin(), ITEMMAP_BINARY);
    return args;
}

// The command without the superuser's power over file modes, so that a
// folder nobody may write in binds it as it binds a user.
std::vector<std::string> BoundByFileModes(std::vector<std::string> command) {
    if (geteuid() == 0)
        command.insert(command.begin(),
                       {"/usr/bin/setpriv", "--bounding-set", "-dac_override,-dac_read_search,-fowner"});
    return command;
}

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
        const Process run(ItemmapCommand(LongSoc(File("big.txt"))), File("err.txt"));
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
    const Process run(ItemmapCommand({"soc", File("cancer.txt")}), File("err.txt"), "");
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
        const Process run(ItemmapCommand({}), File("err.txt"), "/dev/null", environment);
        EXPECT_EQ(run.Wait(), kExitUsage) << environment[0];
        const std::string err = ReadFile(File("err.txt"));
        EXPECT_EQ(err.rfind("itemmap: the window needs a display", 0), 0u) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    }
}

// A run puts its files in place under the record's lock alone: while
// another holds it, the run's files wait, whole, under their temporary names.
TEST_F(CommandLine, ARunPutsItsFilesInPlaceUnderTheRecordsLock) {
    const int lock = open(File("itemmap-record.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_EQ(flock(lock, LOCK_EX), 0);
    const Process run(ItemmapCommand({"soc", File("cancer.txt"), "--prototypes", "5"}), File("err.txt"));
    const auto staged = [&] {
        int files = 0;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
            files += entry.path().extension() == ".tmp";
        return files;
    };
    for (int waited = 0; waited < 400 && staged() < 3; ++waited)
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(staged(), 3);
    EXPECT_FALSE(std::filesystem::exists(File("soc.dat")));
    close(lock);
    EXPECT_EQ(run.Wait(), kExitFinished) << ReadFile(File("err.txt"));
    EXPECT_EQ(staged(), 0);
    EXPECT_TRUE(std::filesystem::exists(File("soc.dat")));
}

// Whether every result file is the one its record line tells of, and
// soc.dat and weights.dat are of one run.
bool RecordTellsOfTheFiles(const TempDir& dir) {
    std::vector<RecordLine> lines;
    if (!ParseRecord(dir.Read("itemmap-record.txt"), lines)) return false;
    bool told = true;
    for (const char* file : {"soc.dat", "weights.dat", "clusters.dat", "distances.dat"}) {
        const RecordLine* line = LineOf(lines, file);
        const bool same = line && line->checksum == FileChecksum(dir.Read(file));
        if (!same) ADD_FAILURE() << file << " is not the file its record line tells of";
        told = told && same;
    }
    const RecordLine *soc = LineOf(lines, "soc.dat"), *weights = LineOf(lines, "weights.dat");
    if (soc && weights && (soc->runId.empty() || soc->runId != weights->runId)) {
        ADD_FAILURE() << "soc.dat of run " << soc->runId << " on " << soc->input << ", weights.dat of run "
                      << weights->runId << " on " << weights->input;
        told = false;
    }
    return told;
}

// Runs at the same time in one folder: SOC and MRP-MDS on two tables of one
// width, and reloads of each. After each try every result file is the one
// its record line tells of and soc.dat and weights.dat are of one run; every
// reload brought back one run's files. ITEMMAP_PARALLEL_TRIES sets the
// tries (scripts/parallel-runs).
TEST_F(CommandLine, RunsAtTheSameTimeInOneFolderKeepEachRunsFilesAndLinesTogether) {
    const char* given = std::getenv("ITEMMAP_PARALLEL_TRIES");
    const int tries = given ? std::atoi(given) : 3;
    std::string rows = dir.Read("cancer.txt"), reversed;
    while (!rows.empty()) {  // the same rows the other way round
        const std::size_t last = rows.rfind('\n', rows.size() - 2);
        const std::size_t from = last == std::string::npos ? 0 : last + 1;
        reversed += rows.substr(from);
        rows.erase(from);
    }
    dir.Write("other.txt", reversed);
    ASSERT_EQ(Process(ItemmapCommand({"soc", File("cancer.txt")}), File("err.txt")).Wait(), kExitFinished);
    const auto start = std::chrono::steady_clock::now();
    int mismatches = 0;
    for (int t = 0; t < tries; ++t) {
        std::vector<std::pair<std::string, Process>> runs;
        for (const char* input : {"cancer.txt", "other.txt"})
            for (const char* command : {"soc", "mrp-mds", "reload"}) {
                const std::string err = dir.File(Format("%s-%s.err", command, input));
                runs.emplace_back(err, Process(ItemmapCommand({command, File(input)}), err));
            }
        for (const auto& [err, run] : runs) {
            const int status = run.Wait();
            const std::string said = ReadFile(err);
            const bool fine =
                status == kExitFinished && said.find("not the file the record tells of") == std::string::npos;
            if (!fine) ADD_FAILURE() << err << " exited " << status << ":\n" << said;
            mismatches += !fine;
        }
        mismatches += !RecordTellsOfTheFiles(dir);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%d tries of 6 runs at once in one folder: %d mismatches, %.1f s\n", tries, mismatches,
                seconds);
    EXPECT_EQ(mismatches, 0);
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        EXPECT_NE(entry.path().extension(), ".tmp") << "left behind: " << entry.path();
}

// From a folder it may not write in, a run names --results, which writes
// the result files, their record, the picture and the coordinates in a
// folder it makes, the message list naming the files where they went; a
// reload reads them there. The input's folder stays as it was.
TEST_F(CommandLine, ResultsGoToTheirFolderFromOneThatCannotBeWritten) {
    const std::string data = File("data"), out = File("out/new");
    std::filesystem::create_directory(data);
    std::filesystem::copy_file(File("cancer.txt"), data + "/cancer.txt");
    ASSERT_EQ(chmod(data.c_str(), 0555), 0);
    const std::string input = data + "/cancer.txt";
    const auto run = [&](std::vector<std::string> args) {
        return Process(BoundByFileModes(ItemmapCommand(std::move(args))), File("err.txt"), File("memo.txt"))
            .Wait();
    };
    EXPECT_EQ(run({"mrp-mds", input}), kExitRefused);
    EXPECT_NE(ReadFile(File("err.txt"))
                  .find("error: cannot write " + data +
                        "/distances.dat: Permission denied; --results DIR writes the result files elsewhere"),
              std::string::npos)
        << ReadFile(File("err.txt"));

    EXPECT_EQ(run({"mrp-mds", input, "--results", out, "--tsv", out + "/map.tsv", "--png", out + "/map.png"}),
              kExitFinished)
        << ReadFile(File("err.txt"));
    EXPECT_EQ(ReadFile(File("memo.txt"))
                  .rfind(out + "/soc.dat\n" + out + "/weights.dat\n" + out + "/clusters.dat\n" + out +
                             "/distances.dat\n" + input + "\n",
                         0),
              0u)
        << ReadFile(File("memo.txt"));
    for (const char* file : {"distances.dat", "clusters.dat", "itemmap-record.txt", "map.tsv", "map.png"})
        EXPECT_TRUE(std::filesystem::exists(out + "/" + file)) << file;
    EXPECT_EQ(run({"soc", input, "--results", out, "--prototypes", "5"}), kExitFinished);
    EXPECT_EQ(run({"reload", input, "--results", out}), kExitFinished);
    EXPECT_NE(ReadFile(File("err.txt")).find("reload finished: 5 prototypes"), std::string::npos)
        << ReadFile(File("err.txt"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(data), {}), 1);
    chmod(data.c_str(), 0755);
}

}  // namespace
