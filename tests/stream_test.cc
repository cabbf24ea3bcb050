// Object streams, strings and attribute tables: exact bytes, byte-order
// conversion, and what truncated or corrupted input does.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "errors/exceptions.h"
#include "store/attributes.h"
#include "store/os_file.h"
#include "store/stream.h"
#include "store/zstring.h"
#include "test_support.h"

namespace {

using Bytes = std::vector<unsigned char>;

// Counts the read calls of the POSIX file system.
class CountingFileSystem final : public zeltest::ForwardingFileSystem {
 public:
  ssize_t Read(int fd, void* p, size_t n) override {
    ++reads;
    return ForwardingFileSystem::Read(fd, p, n);
  }
  int reads = 0;
};

class StreamTest : public ::testing::Test {
 protected:
  // Opens a reader on the given bytes.
  std::unique_ptr<ZELI_Istream> Reader(const Bytes& bytes, zel_bool_t bigEndian = 0, unsigned version = 8) {
    zeltest::WriteFileBytes(path_, bytes);
    return std::make_unique<ZELI_Istream>(path_.c_str(), bigEndian, version);
  }
  template <typename Fn>
  Bytes Written(Fn fn) {
    ZELI_Ostream out(path_.c_str(), 1);
    fn(out);
    out.Close();
    return zeltest::ReadFileBytes(path_);
  }
  // Expects reading to fail with a ZELI_FailedException of this message.
  template <typename Fn>
  void ExpectFailure(Fn fn, const char* message) {
    try {
      fn();
      ADD_FAILURE() << "no failure, expected " << message;
    } catch (const ZELI_FailedException& e) {
      EXPECT_STREQ(e.what(), message);
    }
  }

  zeltest::TempDir dir_;
  std::string path_ = dir_ / "stream";
};

}  // namespace

TEST_F(StreamTest, PrimitivesAndStringsHaveTheirStoredBytesInEitherOrder) {
  const Bytes bytes = Written([](ZELI_Ostream& out) {
    out << ZELI_String("abc") << 258 << 'z' << static_cast<zel_bool_t>(1) << static_cast<unsigned short>(0x0102)
        << "hi" << ZELI_String(nullptr);
  });
  EXPECT_EQ(bytes, (Bytes{3, 0, 0, 0, 'a', 'b', 'c', 0, 2, 1, 0, 0, 'z', 1, 2, 1, 'h', 'i', 0, 0, 0, 0, 0, 0}));

  auto in = Reader(bytes);
  ZELI_String s;
  int i = 0;
  char c = 0;
  zel_bool_t b = 0;
  unsigned short u = 0;
  char text[3];
  *in >> s >> i >> c >> b >> u;
  in->ReadCString(text, sizeof text);
  ZELI_String empty(*in);
  EXPECT_STREQ(s.c_str(), "abc");
  EXPECT_EQ(i, 258);
  EXPECT_EQ(c, 'z');
  EXPECT_EQ(b, 1);
  EXPECT_EQ(u, 0x0102);
  EXPECT_STREQ(text, "hi");
  EXPECT_TRUE(empty.IsEmpty());
  EXPECT_TRUE(in->AtEnd());

  // The same values stored big-endian, then two 8-byte elements that are
  // reversed one by one.
  auto big = Reader({0, 0, 0, 3, 'a', 'b', 'c', 0, 0, 0, 1, 2, 1, 2,  // "abc", 258, 0x0102
                     1, 2, 3, 4, 5, 6, 7, 8, 8, 7, 6, 5, 4, 3, 2, 1},
                    /*bigEndian=*/1);
  EXPECT_EQ(big->Get_ConvertEndianType(), 1);
  unsigned char pair[16];
  *big >> s >> i >> u;
  big->Read(pair, 2, 8);
  EXPECT_STREQ(s.c_str(), "abc");
  EXPECT_EQ(i, 258);
  EXPECT_EQ(u, 0x0102);
  EXPECT_EQ(Bytes(pair, pair + 16), (Bytes{8, 7, 6, 5, 4, 3, 2, 1, 1, 2, 3, 4, 5, 6, 7, 8}));
}

// Writes and reads longer than the buffer; a seek back overwrites, a seek to
// the end appends.
TEST_F(StreamTest, LongWritesAndReadsCrossTheBufferAndKeepTheirPlace) {
  std::vector<int> values(20005);
  for (size_t k = 0; k < values.size(); ++k) values[k] = static_cast<int>(k * 7919 + 1);
  const Bytes bytes = Written([&](ZELI_Ostream& out) {
    for (int v : values) out << v;
    out.Lseek(0);
    out << -1;
    out.Lseek(ZELI_OS_SEEK_END);
    out << 77;
  });
  ASSERT_EQ(bytes.size(), 4 * values.size() + 4);
  // A field, then a run of most of the file, then fields again.
  auto in = Reader(bytes);
  int first = 0, next = 0;
  std::vector<int> run(20000);
  *in >> first;
  in->Read(run.data(), static_cast<unsigned>(run.size()), 4);
  EXPECT_EQ(in->Tell(), 4u * 20001u);
  *in >> next;
  EXPECT_EQ(first, -1);
  EXPECT_TRUE(std::equal(run.begin(), run.end(), values.begin() + 1));
  EXPECT_EQ(next, values[20001]);
  ExpectFailure([&] { in->Read(run.data(), 5, 4); }, "End of file");  // 4 values left
  // Converted element by element wherever the bytes came from.
  auto swapped = Reader(bytes, /*bigEndian=*/1);
  std::vector<int> all(values.size() + 1);
  swapped->Read(all.data(), static_cast<unsigned>(all.size()), 4);
  EXPECT_EQ(all[18000], static_cast<int>(__builtin_bswap32(static_cast<uint32_t>(values[18000]))));
  EXPECT_EQ(all.back(), static_cast<int>(__builtin_bswap32(77u)));
  EXPECT_TRUE(swapped->AtEnd());
}


// A file is read with one call, whatever its size; what is appended after
// opening (a page map growing under a reader) is still read, a long run of
// it straight into its destination.
TEST_F(StreamTest, AFileIsReadWithOneCallAndWhatIsAppendedLaterStillArrives) {
  std::vector<int> values(100000);
  for (size_t k = 0; k < values.size(); ++k) values[k] = static_cast<int>(k * 31 + 5);
  const Bytes bytes = Written([&](ZELI_Ostream& out) {
    for (int v : values) out << v;
  });
  CountingFileSystem counting;
  {
    ZELI_ScopedFileSystem scope(&counting);
    auto in = Reader(bytes);
    std::vector<int> back(values.size());
    for (int& v : back) *in >> v;
    EXPECT_EQ(counting.reads, 1);
    EXPECT_EQ(back, values);
    EXPECT_TRUE(in->AtEnd());
  }

  auto in = Reader(Bytes(bytes.begin(), bytes.begin() + 4000));
  {
    ZELI_Ostream out(path_.c_str(), 0);
    out.Lseek(ZELI_OS_SEEK_END);
    out.Write(bytes.data() + 4000, bytes.size() - 4000);
    out.Close();
  }
  std::vector<int> back(values.size());
  in->Read(back.data(), static_cast<unsigned>(back.size()), 4);
  EXPECT_EQ(back, values);
  ExpectFailure([&] { *in >> back[0]; }, "End of file");
}

TEST_F(StreamTest, TruncatedAndCorruptedInputFailsCleanly) {
  ExpectFailure([&] { int v; *Reader({1, 2}) >> v; }, "End of file");
  // A length of 0xFFFFFFFF would wrap length + 1 to 0; it must fail before
  // allocating, as must any length the file cannot hold.
  ExpectFailure([&] { ZELI_String s; *Reader({0xff, 0xff, 0xff, 0xff, 'a', 0}) >> s; }, "End of file");
  ExpectFailure([&] { ZELI_String s; *Reader({0, 0, 0, 0x40, 'a', 0}) >> s; }, "End of file");
  ExpectFailure([&] { ZELI_String s; *Reader({2, 0, 0, 0, 'a', 'b', 'c'}) >> s; },
                "ZELI_Istream::operator>> (ZELI_String&): corrupted string");
  ExpectFailure([&] { ZELI_String s; *Reader({2, 0, 0, 0, 'a', 0, 0}) >> s; },
                "ZELI_Istream::operator>> (ZELI_String&): corrupted string");
  ExpectFailure([&] { char t[2]; Reader({'a', 'b', 'c', 0})->ReadCString(t, sizeof t); },
                "ZELI_Istream::operator>> (char*): text too long");
  ExpectFailure([&] { Reader({0xff, 0xff, 0xff, 0x0f})->ReadCount(1); }, "End of file");
  EXPECT_THROW(ZELI_Istream((dir_ / "missing").c_str()), ZELI_DiskIOException);
}

TEST_F(StreamTest, MonotonicityBytesOfOldStreamsAreMapped) {
  zel_monotonicity_t m;
  auto old = Reader({0, 1, 2, 3}, 0, 1);
  for (zel_monotonicity_t expected :
       {ZEL_MONOTONICITY_UNKNOWN, ZEL_MONOTONICITY_STRICTLY_INCREASING, ZEL_MONOTONICITY_STRICTLY_DECREASING}) {
    *old >> m;
    EXPECT_EQ(m, expected);
  }
  ExpectFailure([&] { *old >> m; }, "ZELI_Istream::operator>> (zel_monotonicity_t& v)");
  auto current = Reader({4, 9});
  *current >> m;
  EXPECT_EQ(m, ZEL_MONOTONICITY_INCREASING);
  ExpectFailure([&] { *current >> m; }, "ZELI_Istream::operator>> (zel_monotonicity_t& v)");
}

TEST_F(StreamTest, AttributesRoundTripAndOldStreamsHaveNone) {
  ZELI_Attributes a;
  unsigned count = 7;
  EXPECT_EQ(a.Get_AttributeNames(count), nullptr);
  EXPECT_EQ(count, 0u);
  a.Set_Attribute("simulator", "spice-like");
  a.Set_Attribute("temperature", "27");
  a.Set_Attribute("temperature", nullptr);
  EXPECT_STREQ(a.Get_Attribute("temperature"), "");
  EXPECT_EQ(a.Get_Attribute("absent"), nullptr);
  EXPECT_THROW(a.Set_Attribute(nullptr, "x"), ZELI_BadArgException);

  const char** names = a.Get_AttributeNames(count);
  ASSERT_EQ(count, 2u);
  std::set<std::string> got{names[0], names[1]};
  free(names);
  EXPECT_EQ(got, (std::set<std::string>{"simulator", "temperature"}));

  Bytes bytes = Written([&](ZELI_Ostream& out) { out << a << 99; });
  ZELI_Attributes back;
  auto in = Reader(bytes);
  *in >> back;
  EXPECT_TRUE(back == a);

  // Version 1 streams hold no attribute table: nothing is consumed.
  ZELI_Attributes none;
  auto old = Reader(bytes, 0, 1);
  *old >> none;
  EXPECT_EQ(none.Get_Count(), 0u);
  int first = 0;
  *old >> first;
  EXPECT_EQ(first, 2);

  // A count the file cannot hold fails before anything is read.
  ZELI_Attributes huge;
  ExpectFailure([&] { *Reader({0xff, 0xff, 0xff, 0x7f, 0, 0}) >> huge; }, "End of file");
}
