#include "atlas/atlas_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>  // renameat2
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr std::string_view new_tag = ".qz-atlas-new.";
constexpr std::string_view old_tag = ".qz-atlas-old.";

// The path of `entry` in the folder that holds the atlas folder.
std::string in_parent(const atlas_target& t, std::string_view entry) {
  return (t.parent == "/" ? std::string() : t.parent) + "/" + std::string(entry);
}

std::string beside(const atlas_target& t, std::string_view tag, long pid) {
  return in_parent(t, "." + t.name + std::string(tag) + std::to_string(pid));
}

bool exists(const std::string& path) {
  struct stat s;
  return ::lstat(path.c_str(), &s) == 0;
}

bool is_folder(const std::string& path) {
  struct stat s;
  return ::lstat(path.c_str(), &s) == 0 && S_ISDIR(s.st_mode);
}

bool holds_marker(const std::string& folder) {
  struct stat s;
  return ::lstat((folder + "/" + atlas_marker_name).c_str(), &s) == 0 && S_ISREG(s.st_mode);
}

// Whether process `pid` still runs (a process of another user counts).
bool running(long pid) { return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM); }

// The process number at the end of a leftover's name `entry` that carries
// `tag` after ".NAME", or -1 when the name is not such a leftover's.
long leftover_pid(const atlas_target& t, std::string_view entry, std::string_view tag) {
  const std::string head = "." + t.name + std::string(tag);
  if (entry.size() <= head.size() || entry.substr(0, head.size()) != head) return -1;
  long pid = 0;
  for (const char c : entry.substr(head.size())) {
    if (c < '0' || c > '9' || pid > 99999999) return -1;
    pid = pid * 10 + (c - '0');
  }
  return pid;
}

void remove_folder(const std::string& path) {
  std::error_code ignored;
  fs::remove_all(path, ignored);
}

// Puts back an atlas moved aside by a build that was interrupted before it
// moved its own into place, and removes the folders such builds left.
void clean_leftovers(const atlas_target& t, const message_sink& sink) {
  std::vector<std::string> names;
  if (DIR* d = ::opendir(t.parent.c_str())) {
    while (const dirent* e = ::readdir(d)) names.emplace_back(e->d_name);
    ::closedir(d);
  }
  for (const std::string& entry : names) {
    const long pid = leftover_pid(t, entry, old_tag);
    const std::string path = in_parent(t, entry);
    if (pid < 0 || running(pid) || !is_folder(path)) continue;
    if (!exists(t.folder) && holds_marker(path) &&
        ::rename(path.c_str(), t.folder.c_str()) == 0) {
      say(sink, "qz-atlas: put back the atlas '%s' that an interrupted build had moved aside\n",
                   t.folder.c_str());
    } else {
      remove_folder(path);
    }
  }
  for (const std::string& entry : names) {
    const long pid = leftover_pid(t, entry, new_tag);
    if (pid >= 0 && !running(pid) && is_folder(in_parent(t, entry))) remove_folder(in_parent(t, entry));
  }
}

// Swaps the two folders in one step: 0, or -1 with errno set (EINVAL or
// ENOSYS where the file system or the kernel cannot).
int exchange(const std::string& a, const std::string& b) {
  return ::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE);
}

// Checks what is at the atlas folder's place: 0 when it may be written.
int check_place(atlas_target& t, bool overwrite, const message_sink& sink) {
  struct stat s;
  if (::lstat(t.folder.c_str(), &s) != 0) {
    if (errno != ENOENT) {
      say(sink, "qz-atlas: cannot use '%s': %s\n", t.folder.c_str(), std::strerror(errno));
      return -1;
    }
    t.replaces = false;
    return 0;
  }
  if (!S_ISDIR(s.st_mode) || !holds_marker(t.folder)) {
    say(sink, "qz-atlas: '%s' exists and is not an atlas (a folder holding a %s file); "
                 "it is left as it is: name another folder with -o\n",
                 t.folder.c_str(), atlas_marker_name);
    return -1;
  }
  if (!overwrite) {
    say(sink, "qz-atlas: '%s' holds an atlas already; give --overwrite to replace it\n",
                 t.folder.c_str());
    return -1;
  }
  t.replaces = true;
  return 0;
}

}  // namespace

int prepare_target(const char* folder, bool overwrite, atlas_target& t, const message_sink& sink) {
  std::string path = folder != nullptr ? folder : "";
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  const std::size_t slash = path.rfind('/');
  t.folder = path;
  t.parent = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  t.name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (t.name.empty() || t.name == "." || t.name == ".." || t.name == "/") {
    say(sink, "qz-atlas: cannot make an atlas as '%s': name a folder of its own\n", path.c_str());
    return -1;
  }
  t.build = beside(t, new_tag, static_cast<long>(::getpid()));
  clean_leftovers(t, sink);
  return check_place(t, overwrite, sink);
}

int create_build_folder(atlas_target& t, const message_sink& sink) {
  if (::mkdir(t.build.c_str(), 0777) != 0) {
    say(sink, "qz-atlas: cannot create the folder '%s': %s\n", t.build.c_str(), std::strerror(errno));
    return -1;
  }
  const std::string images = t.build + "/pictures";
  if (::mkdir(images.c_str(), 0777) != 0) {
    say(sink, "qz-atlas: cannot create the folder '%s': %s\n", images.c_str(), std::strerror(errno));
    discard_build(t);
    return -1;
  }
  return 0;
}

int commit_build(atlas_target& t, const message_sink& sink) {
  // Something may have taken the place while the atlas was built.
  if (check_place(t, t.replaces, sink) < 0) {
    discard_build(t);
    return -1;
  }
  if (!t.replaces) {
    if (::renameat2(AT_FDCWD, t.build.c_str(), AT_FDCWD, t.folder.c_str(), RENAME_NOREPLACE) != 0 &&
        ((errno != EINVAL && errno != ENOSYS) || ::rename(t.build.c_str(), t.folder.c_str()) != 0)) {
      say(sink, "qz-atlas: cannot move the atlas into '%s': %s\n", t.folder.c_str(), std::strerror(errno));
      discard_build(t);
      return -1;
    }
    return 0;
  }
  if (exchange(t.build, t.folder) == 0) {
    discard_build(t);  // the build folder's name now holds the old atlas
    return 0;
  }
  if (errno != EINVAL && errno != ENOSYS) {
    say(sink, "qz-atlas: cannot replace the atlas '%s': %s\n", t.folder.c_str(), std::strerror(errno));
    discard_build(t);
    return -1;
  }
  // No swap here: the old atlas goes aside first, then the new one in.
  const std::string aside = beside(t, old_tag, static_cast<long>(::getpid()));
  if (::rename(t.folder.c_str(), aside.c_str()) != 0) {
    say(sink, "qz-atlas: cannot move the atlas '%s' aside: %s\n", t.folder.c_str(), std::strerror(errno));
    discard_build(t);
    return -1;
  }
  if (::rename(t.build.c_str(), t.folder.c_str()) != 0) {
    const int error = errno;
    ::rename(aside.c_str(), t.folder.c_str());
    say(sink, "qz-atlas: cannot move the atlas into '%s': %s\n", t.folder.c_str(), std::strerror(error));
    discard_build(t);
    return -1;
  }
  remove_folder(aside);
  return 0;
}

void discard_build(const atlas_target& t) { remove_folder(t.build); }
