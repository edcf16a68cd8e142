// The program's input files: a flight log read from a file (a regular file,
// bounded, named in every message), told apart from a scene by its start.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "desktop/InputFile.h"
#include "testkit/ProgramRunner.h"
#include "testkit/TestFlights.h"

namespace {

using hosttest::TempDir;

TEST(InputFile, AFlightLogIsReadFromARegularFileAndNamedInEveryMessage) {
    TempDir dir;
    std::ofstream(dir.file("flight.log")) << sandbox::formatFlightLog(hosttest::testFlight(7, 2));
    const auto log = desktop::loadFlightLog(dir.file("flight.log"));
    ASSERT_TRUE(log.ok()) << log.error();
    EXPECT_EQ(log->ticks.size(), 2u);
    EXPECT_TRUE(desktop::isFlightLogFile(dir.file("flight.log")));

    std::ofstream(dir.file("bad.log")) << "trimsight-flight 1\nticks\n";
    EXPECT_EQ(desktop::loadFlightLog(dir.file("bad.log")).error(),
              dir.file("bad.log") +
                  ":2: the start state lacks \"option unlimited_boost\" before \"ticks\"");
    EXPECT_EQ(desktop::loadFlightLog(dir.file("missing.log")).error(),
              dir.file("missing.log") + ": cannot read the flight log: No such file or directory");
    EXPECT_EQ(desktop::loadFlightLog(dir.file("")).error(),
              dir.file("") + ": cannot read the flight log: Is a directory");
    EXPECT_FALSE(desktop::isFlightLogFile(dir.file("")));
}

}  // namespace
