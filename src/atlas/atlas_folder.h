// The atlas folder and its safe replacement.
//
// An atlas is built in a new folder beside the one it is for, named
// ".NAME.qz-atlas-new.PID" (NAME the folder's name, PID the builder's
// process), and moved into place only when every file is written.  An
// earlier atlas in its place is replaced only when it holds the marker
// file and the user allowed it: the two folders swap places in one step
// (or, where the file system cannot swap, the old one is first moved
// aside as ".NAME.qz-atlas-old.PID"), and then the old atlas is removed.
// Folders of those names whose builder no longer runs are leftovers of an
// interrupted build: the next build removes them, and first puts back an
// atlas that was moved aside and never replaced.
//
// Every message goes to the sink's console, beginning "qz-atlas: ".
#pragma once

#include <string>

#include "common/message_sink.h"

// The file whose presence marks a folder as an atlas.
inline constexpr const char* atlas_marker_name = ".qz-atlas";

struct atlas_target {
  std::string folder;  // the atlas folder, as named
  std::string parent;  // the folder that holds it ("." for a bare name)
  std::string name;    // its last component
  std::string build;   // the folder being built, beside it
  bool replaces = false;  // an atlas is in its place and will be replaced
};

// Checks that `folder` may take an atlas: it does not exist, or it is a
// folder with the marker and `overwrite` is set.  Puts back an atlas that
// an interrupted build moved aside, then removes the leftovers of
// interrupted builds.  0; -1 after a message (nothing touched).
int prepare_target(const char* folder, bool overwrite, atlas_target& target, const message_sink& sink);

// Creates the build folder with its subfolder "pictures".  0, or -1 after a
// message.
int create_build_folder(atlas_target& target, const message_sink& sink);

// Moves the build folder into place and removes the atlas it replaces.  0,
// or -1 after a message, with the build folder removed and the earlier
// atlas, if any, in its place.
int commit_build(atlas_target& target, const message_sink& sink);

// Removes the build folder and everything in it (after a failure).
void discard_build(const atlas_target& target);
