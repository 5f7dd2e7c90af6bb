// Buffered read and write streams: page boundaries, direct reads, the write buffer's blocks.
#include "core/Treadstream.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "tests/support/testenv.h"

namespace {
std::string pattern(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return s;
}

TEST(Treadstream, ReadAcrossPageEndGoesStraightToFileAndLoadsNextPage) {
  const std::string bytes = pattern(1500000);
  Treadstream rs;
  ASSERT_TRUE(rs.open(testenv::writeFile("rs/big.bin", bytes)));
  EXPECT_EQ(rs.bufsize(), 1000000u);
  EXPECT_EQ(rs.size(), 1500000);
  rs.setPosition(999996);
  char got[8];
  EXPECT_EQ(rs.read(got, 8), 8);
  EXPECT_EQ(std::string(got, 8), bytes.substr(999996, 8));
  EXPECT_EQ(rs.position(), 1000004);
  // The second page is loaded: the following bytes come from it.
  char next[100];
  EXPECT_EQ(rs.read(next, 100), 100);
  EXPECT_EQ(std::string(next, 100), bytes.substr(1000004, 100));
}

TEST(Treadstream, SmallFileReadsToItsEndThenGivesNothingButAdvances) {
  const std::string bytes = pattern(300);
  Treadstream rs;
  ASSERT_TRUE(rs.open(testenv::writeFile("rs/small.bin", bytes)));
  EXPECT_EQ(rs.bufsize(), 300u);
  std::string all;
  for (int i = 0; i < 3; ++i) {
    char b[100];
    ASSERT_EQ(rs.read(b, 100), 100) << i;
    all.append(b, 100);
  }
  EXPECT_EQ(all, bytes);
  char b[100];
  EXPECT_EQ(rs.read(b, 100), 0);
  EXPECT_EQ(rs.position(), 400);
}

TEST(Treadstream, EmptyFileReadsNothing) {
  Treadstream rs;
  ASSERT_TRUE(rs.open(testenv::writeFile("rs/empty.bin", "")));
  char b[4];
  EXPECT_EQ(rs.read(b, 4), 0);
  rs.setPosition(0);
  EXPECT_EQ(rs.read(b, 1), 0);
}

TEST(Treadstream, MissingFileFailsOpenAndReadsNothing) {
  Treadstream rs;
  EXPECT_FALSE(rs.open(testenv::tempDir() + "rs/none.bin"));
  char b[4];
  EXPECT_EQ(rs.read(b, 4), 0);
}

TEST(Treadstream, DirectReadKeepsPositionAndRestingStopsReads) {
  const std::string bytes = pattern(5000);
  Treadstream rs;
  ASSERT_TRUE(rs.open(testenv::writeFile("rs/d.bin", bytes)));
  rs.setBufSize(64);
  rs.setPosition(100);
  char b[10];
  EXPECT_EQ(rs.directread(4000, b, 10), 10);
  EXPECT_EQ(std::string(b, 10), bytes.substr(4000, 10));
  EXPECT_EQ(rs.position(), 100);
  ASSERT_EQ(rs.read(b, 10), 10);
  EXPECT_EQ(std::string(b, 10), bytes.substr(100, 10));
  ASSERT_TRUE(rs.setResting(true));
  EXPECT_EQ(rs.read(b, 10), 0);
  ASSERT_TRUE(rs.setResting(false));
  EXPECT_EQ(rs.position(), 0);
  ASSERT_EQ(rs.read(b, 10), 10);
  EXPECT_EQ(std::string(b, 10), bytes.substr(0, 10));
}

TEST(Treadstream, SmallPagesReadTheWholeFileInAnySteps) {
  const std::string bytes = pattern(10007);
  Treadstream rs;
  ASSERT_TRUE(rs.open(testenv::writeFile("rs/steps.bin", bytes)));
  for (uint32_t page : {1u, 7u, 64u, 10007u}) {
    for (int step : {1, 3, 64, 65, 200}) {
      SCOPED_TRACE(std::to_string(page) + "/" + std::to_string(step));
      rs.setBufSize(page);
      rs.setPosition(0);
      std::string all;
      std::vector<char> b(static_cast<size_t>(step));
      for (;;) {
        int64_t n = rs.read(b.data(), step);
        all.append(b.data(), static_cast<size_t>(n));
        if (n < step) break;
      }
      EXPECT_EQ(all, bytes);
    }
  }
}

TEST(TwriteStream, LargeWriteGoesOutInFullBuffersAndRestWaits) {
  const std::string name = testenv::tempDir() + "ws/big.bin";
  testenv::writeFile("ws/keep", "");
  const std::string bytes = pattern(25000000);
  TwriteStream ws;
  ASSERT_TRUE(ws.open(name));
  ASSERT_TRUE(ws.write(bytes.data(), static_cast<int64_t>(bytes.size())));
  EXPECT_EQ(testenv::readFile(name).size(), 20000000u);
  EXPECT_EQ(ws.position(), 25000000);
  ASSERT_TRUE(ws.commit());
  EXPECT_EQ(testenv::readFile(name), bytes);
}

TEST(TwriteStream, PositionCountsWaitingBytesAndSeekCommits) {
  const std::string name = testenv::tempDir() + "ws/pos.bin";
  testenv::writeFile("ws/keep", "");
  {
    TwriteStream ws;
    ASSERT_TRUE(ws.open(name));
    ws.write("0123456789", 10);
    EXPECT_EQ(ws.position(), 10);
    ws.commit();
    EXPECT_EQ(ws.position(), 10);
    ASSERT_TRUE(ws.setPosition(2));
    ws.write("ab", 2);
  }  // the destructor commits
  EXPECT_EQ(testenv::readFile(name), "01ab456789");
}

TEST(TwriteStream, CreateFailureIsReportedAndWritesFail) {
  const std::string blocker = testenv::writeFile("ws/plain", "x");
  TwriteStream ws;
  EXPECT_FALSE(ws.open(blocker + "/sub.bin"));  // a folder below a regular file cannot exist
  EXPECT_TRUE(ws.failed());
  EXPECT_FALSE(ws.write("ab", 2));
  EXPECT_FALSE(ws.close());
}

TEST(TwriteStream, WriteFailureIsReported) {
  // /dev/full takes the open but refuses every write.
  TwriteStream ws;
  ASSERT_TRUE(ws.open("/dev/full"));
  ws.write("abc", 3);
  EXPECT_FALSE(ws.commit());
  EXPECT_TRUE(ws.failed());
  EXPECT_FALSE(ws.close());
}
}  // namespace
