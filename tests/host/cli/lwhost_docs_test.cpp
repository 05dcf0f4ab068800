// Every command and script README.md and docs/*.md show runs as written, in a copy of the tree as
// `make demo` leaves it: the examples, the looks, out/, build/bin/ with lwhost and the bundle
// (on the PATH), build/looks/content; the user's settings directory is the copy's own. Fenced
// blocks say what they hold by their tag:
//   sh               shell commands: the block runs whole (bash -e)
//   sh-farm          job scripts for machines we do not have: its mkdir lines run, then each
//                    lwhost line alone, with `first` set and `{}` standing for 1, the first frame
//                    of a range
//   sh-long          builds and long runs (make, fuzzing): checked as shell, not run
//   lwscript [SCENE] [continued]  a script for `lwhost run SCENE` (examples/demo.lws when none);
//                    `continued` runs it after the page's blocks before it
//   lws              scene text: a whole scene (from `LWHostScene`) must load (`lwhost info`)
//   text             usage lines: an lwhost line there must hold a placeholder (`[`, `FILE`)
// An lwhost command anywhere else (a block of another tag, or indented) fails the test, and so
// does an untagged block of script statements.
// Renders are made small (64x48, unless the command sets a size) so that the whole runs in
// seconds: the pictures are judged by the render tests, not here.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "run_program.h"
#include "temp_dir.h"
#include "test_paths.h"

namespace {

namespace fs = std::filesystem;

const std::string kSource = fs::path(EXAMPLES_DIR).parent_path().string();

struct Block {
    int line = 0;  // of the opening fence
    std::string tag;
    std::vector<std::string> words;  // of the tag line after the tag
    std::vector<std::string> lines;
};

// A line that runs lwhost: the program, then a command or an option.
bool lwhostCommand(const std::string& line) {
    static const std::regex command(R"(^\s*['"]?lwhost( +(servers|info|run|render|-)|$))");
    return std::regex_search(line, command);
}

// The fenced blocks of a Markdown file; lwhost commands outside them are reported.
std::vector<Block> blocks(const std::string& path, std::vector<std::string>& stray) {
    std::ifstream in(path);
    std::vector<Block> out;
    std::string line;
    int number = 0;
    Block* open = nullptr;
    size_t indent = 0;
    while (std::getline(in, line)) {
        ++number;
        const size_t at = line.find_first_not_of(' ');
        const bool fence = at != std::string::npos && line.compare(at, 3, "```") == 0;
        if (open && fence) {
            open = nullptr;
        } else if (open) {
            open->lines.push_back(
                line.substr(std::min({indent, line.find_first_not_of(' '), line.size()})));
        } else if (fence) {
            Block b;
            b.line = number;
            std::istringstream words(line.substr(at + 3));
            words >> b.tag;
            for (std::string w; words >> w;) b.words.push_back(w);
            out.push_back(b);
            open = &out.back();
            indent = at;
        } else if (lwhostCommand(line)) {
            stray.push_back(path + ":" + std::to_string(number) + ": " + line);
        }
    }
    return out;
}

std::string shellQuote(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string text(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& l : lines) out += l + "\n";
    return out;
}

class LwhostDocsTest : public ::testing::TestWithParam<std::string> {
  protected:
    void SetUp() override {
        for (const char* dir : {"examples", "looks"})
            fs::copy(kSource + "/" + dir, work / dir, fs::copy_options::recursive);
        for (const char* dir : {"out", "build/bin", "build/looks/content", "config", "home", "bin"})
            fs::create_directories(work / dir);
        const fs::path bin = fs::path(lwhostProgram()).parent_path();
        for (const char* file : {"lwhost", "lumavex.p"})
            fs::create_symlink(bin / file, work / (std::string("build/bin/") + file));
        // lwhost on the PATH: renders are made small unless the command sets a size.
        std::ofstream(work / "bin/lwhost")
            << "#!/bin/bash\nreal=" << lwhostProgram() << "\n"
            << "case \" $* \" in *\" render \"*) case \" $* \" in *\" --width \"*|*\" --height "
               "\"*) ;;\n"
               "  *) exec \"$real\" \"$@\" --width 64 --height 48;; esac;; esac\n"
               "exec \"$real\" \"$@\"\n";
        fs::permissions(work / "bin/lwhost", fs::perms::owner_all);
    }

    // Runs `command` in the copy as the docs' reader would; its result.
    ProgramResult run(const std::string& command) {
        return runProgram("cd " + work.path + " && PATH=" + work.path + "/bin:" + work.path +
                          "/build/bin:$PATH XDG_CONFIG_HOME=" + work.path +
                          "/config HOME=" + work.path + "/home SLURM_ARRAY_TASK_ID=0 " + command);
    }
    // Writes `content` to a file in the copy; its path.
    std::string write(const std::string& name, const std::string& content) {
        std::ofstream(work / name) << content;
        return work / name;
    }

    TempDir work{"lwhost_docs"};
};

TEST_P(LwhostDocsTest, EveryCommandAndScriptRunsAsWritten) {
    const std::string page = GetParam();
    const std::string path = kSource + "/" + page;
    std::vector<std::string> stray;
    const std::vector<Block> all = blocks(path, stray);
    for (const std::string& s : stray) ADD_FAILURE() << s << "\n  an lwhost command in no sh block";
    std::string script;  // the page's lwscript blocks so far
    int n = 0;
    for (const Block& b : all) {
        const std::string where = page + ":" + std::to_string(b.line);
        SCOPED_TRACE(where);
        const std::string name = "block" + std::to_string(++n);
        const auto check = [&](const ProgramResult& r, const std::string& what) {
            EXPECT_EQ(r.status, 0) << what << "\n" << r.out << r.err;
        };
        if (b.tag == "sh") {
            check(run("bash -e -o pipefail " + write(name + ".sh", text(b.lines))), text(b.lines));
        } else if (b.tag == "sh-farm" || b.tag == "sh-long") {
            check(run("bash -n " + write(name + ".sh", text(b.lines))), "shell syntax");
            for (std::string line : b.lines) {
                if (b.tag == "sh-farm" && line.rfind("mkdir ", 0) == 0) check(run(line), line);
                if (!lwhostCommand(line)) continue;
                EXPECT_EQ(b.tag, "sh-farm") << line << ": long runs hold no lwhost command";
                // The command alone, out of the quotes or the line continuation around it.
                line = line.substr(line.find("lwhost"));
                while (!line.empty() &&
                       std::string(" \\'\"").find(line.back()) != std::string::npos)
                    line.pop_back();
                line = std::regex_replace(line, std::regex(R"(\{\})"), "1");
                check(run("first=1 bash -e -c " + shellQuote(line)), line);
            }
        } else if (b.tag == "lwscript") {
            std::string scene = "examples/demo.lws";
            bool continued = false;
            for (const std::string& w : b.words) {
                if (w == "continued")
                    continued = true;
                else
                    scene = w;
            }
            script = (continued ? script : "") + text(b.lines);
            check(run("lwhost --quiet run " + scene + " " + write(name + ".lwscript", script)),
                  script);
        } else if (b.tag == "lws") {
            if (b.lines.empty() || b.lines[0].rfind("LWHostScene", 0) != 0) continue;
            check(run("lwhost --quiet info " + write("examples/" + name + ".lws", text(b.lines))),
                  text(b.lines));
        } else {
            static const std::regex statement(R"(^\s*(panel|graph|queue|expect|explain|generic) )");
            for (const std::string& line : b.lines)
                EXPECT_FALSE(b.tag.empty() && std::regex_search(line, statement))
                    << line << "\n  a script statement: tag its block lwscript";
            const std::regex placeholder(R"(\[|\b[A-Z]{2,}\b)");
            for (const std::string& line : b.lines) {
                if (!lwhostCommand(line)) continue;
                EXPECT_TRUE(b.tag == "text" && std::regex_search(line, placeholder))
                    << line << "\n  a command: tag its block sh";
            }
        }
    }
}

std::vector<std::string> pages() {
    std::vector<std::string> out{"README.md"};
    for (const auto& e : fs::directory_iterator(kSource + "/docs"))
        if (e.path().extension() == ".md") out.push_back("docs/" + e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

INSTANTIATE_TEST_SUITE_P(Pages, LwhostDocsTest, ::testing::ValuesIn(pages()),
                         [](const ::testing::TestParamInfo<std::string>& page) {
                             std::string name = fs::path(page.param).stem().string();
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

// The README's commands use the shipped looks: `make demo` builds them.
TEST(LwhostDocsMakeTest, DemoBuildsTheShippedLooks) {
    const ProgramResult r = runProgram("make -n -C " + kSource + " demo");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(std::regex_search(r.out, std::regex("--target[^\\n]* looks"))) << r.out;
}

}  // namespace
