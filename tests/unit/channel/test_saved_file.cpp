// The writer behind every save: where it writes for each kind of target,
// and that nothing but a committed file changes the target.
#include "channel/channel.h"

#include <gtest/gtest.h>
#include <dirent.h>
#include <set>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A fresh directory for one case, removed with everything in it.
struct scratch_dir {
    std::string path;
    scratch_dir()
    {
        char pattern[] = "/tmp/saved-file-XXXXXX";
        path = mkdtemp(pattern);
    }
    ~scratch_dir()
    {
        std::string command = "rm -rf '" + path + "'";
        EXPECT_EQ(system(command.c_str()), 0);
    }
    std::string operator/(const char *name) const { return path + "/" + name; }
    std::set<std::string> names() const
    {
        std::set<std::string> found;
        DIR *dir = opendir(path.c_str());
        while (dirent *entry = readdir(dir))
            if (entry->d_name[0] != '.' || entry->d_name[1] > '.')
                found.insert(entry->d_name);
        closedir(dir);
        return found;
    }
};

std::string content_of(const std::string &path)
{
    gchar *text = nullptr;
    gsize length = 0;
    if (!g_file_get_contents(path.c_str(), &text, &length, nullptr))
        return "(none)";
    std::string result(text, length);
    g_free(text);
    return result;
}

bool is_link(const std::string &path)
{
    struct stat st;
    return lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

struct target_case {
    const char *what;
    // Makes the target in the directory and returns the name to save to.
    std::string (*make)(const scratch_dir &dir);
    const char *written;  // the file the new content must reach, or null when refused
    std::set<std::string> afterwards;
};

std::string new_name(const scratch_dir &dir) { return dir / "new.txt"; }

std::string dangling_link(const scratch_dir &dir)
{
    EXPECT_EQ(symlink("new.txt", (dir / "link").c_str()), 0);
    return dir / "link";
}

std::string chain_of_links(const scratch_dir &dir)
{
    EXPECT_TRUE(g_file_set_contents((dir / "real.txt").c_str(), "old", -1, nullptr));
    EXPECT_EQ(symlink("real.txt", (dir / "second").c_str()), 0);
    EXPECT_EQ(symlink(dir.path.c_str(), (dir / "here").c_str()), 0);
    EXPECT_EQ(symlink("here/second", (dir / "first").c_str()), 0);
    return dir / "first";
}

std::string loop_of_links(const scratch_dir &dir)
{
    EXPECT_EQ(symlink("b", (dir / "a").c_str()), 0);
    EXPECT_EQ(symlink("a", (dir / "b").c_str()), 0);
    return dir / "a";
}

std::string directory(const scratch_dir &dir)
{
    EXPECT_EQ(mkdir((dir / "sub").c_str(), 0755), 0);
    return dir / "sub";
}

std::string missing_directory(const scratch_dir &dir) { return dir / "no/new.txt"; }

const target_case target_cases[] = {
    {"new file", new_name, "new.txt", {"new.txt"}},
    {"dangling link makes the file it names", dangling_link, "new.txt", {"link", "new.txt"}},
    {"chain of links through a directory link", chain_of_links, "real.txt",
     {"first", "here", "second", "real.txt"}},
    {"loop of links", loop_of_links, nullptr, {"a", "b"}},
    {"directory", directory, nullptr, {"sub"}},
    {"missing directory", missing_directory, nullptr, {}},
};

class saved_file_target : public testing::TestWithParam<target_case> {};

TEST_P(saved_file_target, WritesWhereANameLeadsOrRefuses)
{
    const target_case &c = GetParam();
    scratch_dir dir;
    std::string name = c.make(dir);
    {
        saved_file file(name.c_str());
        ASSERT_EQ(file.stream != nullptr, c.written != nullptr);
        if (file.stream != nullptr) {
            fputs("new content", file.stream);
            EXPECT_TRUE(commit_saved_file(file));
        }
    }
    if (c.written != nullptr) {
        EXPECT_EQ(content_of(dir / c.written), "new content");
    }
    EXPECT_EQ(dir.names(), c.afterwards);
    for (const char *link : {"link", "first", "second"}) {
        if (c.afterwards.count(link)) {
            EXPECT_TRUE(is_link(dir / link)) << link;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(saved_file, saved_file_target, testing::ValuesIn(target_cases),
                         [](const testing::TestParamInfo<target_case> &info) {
                             std::string name = info.param.what;
                             for (char &ch : name)
                                 if (!g_ascii_isalnum(ch))
                                     ch = '_';
                             return name;
                         });

// A saver that gives up half-way (a drawing that failed) leaves the old file
// and no temporary file.
TEST(saved_file, NotCommittedLeavesTheOldFile)
{
    scratch_dir dir;
    ASSERT_TRUE(g_file_set_contents((dir / "keep.txt").c_str(), "old", -1, nullptr));
    {
        saved_file file((dir / "keep.txt").c_str());
        ASSERT_NE(file.stream, nullptr);
        fputs("half of the new", file.stream);
        fflush(file.stream);
    }
    EXPECT_EQ(content_of(dir / "keep.txt"), "old");
    EXPECT_EQ(dir.names(), std::set<std::string>{"keep.txt"});
}

// A device has nothing to keep and cannot be renamed over: it is written
// directly, and the device stays what it was.
TEST(saved_file, DeviceIsWrittenDirectly)
{
    saved_file file("/dev/null");
    ASSERT_NE(file.stream, nullptr);
    EXPECT_TRUE(file.temp.empty());
    fputs("gone", file.stream);
    EXPECT_TRUE(commit_saved_file(file));
    struct stat st;
    ASSERT_EQ(stat("/dev/null", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
}

}  // namespace
