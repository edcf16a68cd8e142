#pragma once
// desktop/: the host program's files on a desktop.
//
// For: everything the program reads from or writes to the file system, so
// that the libraries below it never touch a file and the browser build
// (which has none) leaves this folder out.
//
// Owns, one concern per file:
//   InputFile.h      the one way an input is read (a regular file of bounded
//                    size, nothing else; "PATH: cannot read WHAT: why"), and
//                    the scene, flight-log, pack and course readers on
//                    top of it
//   OutputFile.h     the one way a file is written: temporary file (locked,
//                    stale ones removed), sync, rename; devices and FIFOs
//                    refused; an output checked before a long run; a run's
//                    outputs kept apart from its inputs; fault switches for
//                    tests
//   UserFolders.h    where the config and the history live (XDG folders)
//   ConfigFile.h     the config file holding the saved settings, its lock,
//                    its default place, and the locked save (read again and
//                    written under the lock, so that no save loses another's)
//   ControlsFile.h   the player's controls file beside the config, read at
//                    start and saved under its lock as the config is
//   HistoryFile.h    the history of drill attempts: appending a line (and
//                    the attempt's flight log beside it), reading it back
//   PlayerShots.h    moments the window saves appended as shots to the
//                    player's own pack (my-shots.txt), read-modify-write
//                    under its lock; a pack that does not read is kept
//   HistoryArchive.h the window's archive of attempts (sandbox::
//                    AttemptArchive) kept in the history file
//   platform/        what the files above ask of the system, one file per
//                    concern and platform (platform/Files.h maps it): POSIX
//                    here, and OutputFile, UserFolders and Files for Windows
//
// Builds on: scene/ (scenes and the saved settings' text), sandbox/ (flight
// logs, the history's lines), the host layer's console store, base/.
//
// Must not touch: the plugin, the window, pictures, the program's exit
// codes; no file but those it is asked for.
#include "desktop/ConfigFile.h"
#include "desktop/ControlsFile.h"
#include "desktop/HistoryArchive.h"
#include "desktop/HistoryFile.h"
#include "desktop/InputFile.h"
#include "desktop/OutputFile.h"
#include "desktop/PlayerShots.h"
#include "desktop/UserFolders.h"
