#pragma once
// Reading the program's input files: a scene, a flight log (told apart from a
// scene by its first line), the config and the history all come in through
// readInputFile, which takes a regular file of bounded size and nothing else;
// so do packs of shots and ring courses.
#include <cstddef>
#include <string>

#include "base/Result.h"
#include "sandbox/Courses.h"
#include "sandbox/FlightLog.h"
#include "sandbox/Sessions.h"
#include "sandbox/Shots.h"
#include "scene/Scene.h"

namespace desktop {

// The whole content of a regular file of at most `maxBytes` bytes; anything
// else (a FIFO, a device, a larger file) is refused without waiting or reading
// it through. A failure says "PATH: cannot read WHAT: why".
base::Result<std::string> readInputFile(const std::string& path, const std::string& what,
                                        std::size_t maxBytes);

// Reads and parses a scene file: a regular file of at most kMaxSceneBytes
// with at most a million frames. Messages start with the file name.
base::Result<scene::SceneFrames> loadSceneFile(const std::string& path);

// Whether the file at `path` is a flight log: its text, after blank lines,
// starts with a '#' comment or with the word "trimsight-flight" (a scene,
// being JSON, starts with '{'). Anything that cannot be read is not: it is
// then read as a scene, whose reader says what is wrong with it.
bool isFlightLogFile(const std::string& path);

// The log at `path`, read as every input is (a regular file, at most
// sandbox::kMaxFlightLogBytes). Messages: "PATH: cannot read the flight log:
// why", or "PATH:LINE: what is wrong".
base::Result<sandbox::FlightLog> loadFlightLog(const std::string& path);

// The pack at `path` (a regular file, at most sandbox::kMaxPackFileBytes).
// Messages: "PATH: cannot read the pack: why", or "PATH:LINE: what is wrong".
base::Result<sandbox::Pack> loadPack(const std::string& path);

// The pack a share code holds (sandbox::packFromCode); messages "code
// position N: ..." for the code, "code:LINE: ..." for the pack it holds.
base::Result<sandbox::Pack> packFromCode(std::string_view code);

// The course at `path` (a regular file, at most sandbox::kMaxCourseFileBytes).
// Messages: "PATH: cannot read the course: why", or "PATH:LINE: what is
// wrong".
base::Result<sandbox::Course> loadCourse(const std::string& path);
// A session, as a pack is read: loadSession's messages "PATH: cannot read
// the session: why" or "PATH:LINE: ...", sessionFromCode's "code position
// N: ..." or "code:LINE: ...".
base::Result<sandbox::Session> loadSession(const std::string& path);
base::Result<sandbox::Session> sessionFromCode(std::string_view code);

}  // namespace desktop
