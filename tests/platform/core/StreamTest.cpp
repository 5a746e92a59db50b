#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "platform/core/Classes.h"

namespace {

std::string TempPath(const char* name) {
  return ::testing::TempDir() + "coreB_" + std::to_string(::getpid()) + "_" + name;
}

TEST(StreamPrimitives, RoundTripLittleEndian) {
  TMemoryStream m;
  m.WriteInt8(-2);
  m.WriteUInt16(0xBEEF);
  m.WriteInt32(-123456789);
  m.WriteInt64(INT64_MIN);
  m.WriteUInt64(UINT64_MAX);
  m.WriteSingle(1.5f);
  m.WriteDouble(-0.1);
  m.WriteBoolean(true);
  m.WriteAnsiString("h\xC3\xA9llo");
  m.WriteWideString(u"w\u00E9\U0001F600");
  m.WriteAnsiString("");

  const auto* bytes = static_cast<const unsigned char*>(m.Memory());
  EXPECT_EQ(bytes[1], 0xEF);  // low byte first
  EXPECT_EQ(bytes[2], 0xBE);

  m.SetPosition(0);
  EXPECT_EQ(m.ReadInt8(), -2);
  EXPECT_EQ(m.ReadUInt16(), 0xBEEF);
  EXPECT_EQ(m.ReadInt32(), -123456789);
  EXPECT_EQ(m.ReadInt64(), INT64_MIN);
  EXPECT_EQ(m.ReadUInt64(), UINT64_MAX);
  EXPECT_EQ(m.ReadSingle(), 1.5f);
  EXPECT_EQ(m.ReadDouble(), -0.1);
  EXPECT_TRUE(m.ReadBoolean());
  EXPECT_EQ(m.ReadAnsiString(), "h\xC3\xA9llo");
  WideString w = m.ReadWideString();
  EXPECT_EQ(w, u"w\u00E9\U0001F600");
  EXPECT_EQ(m.ReadAnsiString(), "");
  EXPECT_EQ(m.Remaining(), 0);
}

TEST(StreamPrimitives, TruncatedOrHostileInputRaisesReadError) {
  struct Case {
    const char* what;
    std::string bytes;
    int kind;  // 0 int32, 1 ansi string, 2 wide string
  };
  auto le = [](std::int32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); };
  const Case cases[] = {
      {"short int", std::string("\x01\x02", 2), 0},
      {"huge length", le(0x7FFFFFFF) + "abc", 1},
      {"negative length", le(-1) + "abc", 1},
      {"one byte short", le(4) + "abc", 1},
      {"wide count beyond the end", le(3) + "abcde", 2},
      {"wide huge count", le(0x40000000), 2},
  };
  for (const auto& c : cases) {
    TMemoryStream m;
    m.WriteBuffer(c.bytes.data(), static_cast<std::int64_t>(c.bytes.size()));
    m.SetPosition(0);
    try {
      if (c.kind == 0) m.ReadInt32();
      if (c.kind == 1) m.ReadAnsiString();
      if (c.kind == 2) m.ReadWideString();
      ADD_FAILURE() << c.what;
    } catch (const EReadError& e) {
      EXPECT_STREQ(e.what(), "Stream read error") << c.what;
    }
  }
}

TEST(StreamMemory, SeekSizeCopyAndCompare) {
  TMemoryStream a;
  a.WriteBuffer("abcdef", 6);
  EXPECT_EQ(a.Seek(-2, soFromEnd), 4);
  EXPECT_EQ(a.Seek(1, soFromCurrent), 5);
  a.SetSize(3);
  EXPECT_EQ(a.Position(), 3);
  EXPECT_EQ(a.Size(), 3);
  char buf[4] = {};
  a.SetPosition(1);
  EXPECT_EQ(a.Read(buf, 10), 2);
  a.SetPosition(10);
  EXPECT_EQ(a.Read(buf, 1), 0);
  a.Write("z", 1);  // writing past the end grows the stream, the gap is zero
  EXPECT_EQ(a.Size(), 11);

  TMemoryStream b, c;
  b.CopyFrom(&a, 0);
  EXPECT_TRUE(IsMemoryStreamEqual(&a, &b));
  c.WriteBuffer(b.Memory(), 10);
  EXPECT_FALSE(IsMemoryStreamEqual(&a, &c));
  c.WriteBuffer("y", 1);
  EXPECT_FALSE(IsMemoryStreamEqual(&a, &c));
  TMemoryStream e1, e2;
  EXPECT_TRUE(IsMemoryStreamEqual(&e1, &e2));
  EXPECT_THROW(a.WriteBuffer("x", -1), EWriteError);
}

TEST(StreamFile, CreateOpenErrorsAndRights) {
  std::string path = TempPath("stream.bin");
  {
    TFileStream f(path, fmCreate, 0600);
    f.WriteInt32(42);
  }
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  {
    TFileStream f(path, fmOpenRead | fmShareDenyNone);
    EXPECT_EQ(f.Size(), 4);
    EXPECT_EQ(f.ReadInt32(), 42);
    EXPECT_THROW(f.ReadInt8(), EReadError);
    EXPECT_THROW(f.WriteInt8(1), EWriteError);  // opened for reading only
  }
  TMemoryStream m;
  m.LoadFromFile(path);
  EXPECT_EQ(m.Size(), 4);
  std::remove(path.c_str());

  std::string missing = TempPath("missing/none.bin");
  try {
    TFileStream f(missing, fmOpenRead);
    FAIL();
  } catch (const EFOpenError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot open file \"" + missing + "\". No such file or directory");
  }
  EXPECT_THROW(TFileStream(missing, fmCreate), EFCreateError);
  EXPECT_THROW(TFileStream(::testing::TempDir(), fmOpenRead), EFOpenError);  // a folder
}

TEST(StreamString, RawTextAndStringListRoundTrip) {
  TStringStream s("abc");
  s.Seek(0, soFromEnd);
  s.WriteString("def");
  s.SetPosition(2);
  EXPECT_EQ(s.ReadString(2), "cd");
  EXPECT_EQ(s.DataString(), "abcdef");

  TStringList l;
  l.AddStrings(std::vector<String>{"x", "y"});
  TStringStream out;
  l.SaveToStream(&out);
  EXPECT_EQ(out.DataString(), "x\r\ny\r\n");
  TStringStream in("\xEF\xBB\xBFone\ntwo");
  l.LoadFromStream(&in);
  EXPECT_EQ(l.ToVector(), (std::vector<String>{"one", "two"}));
}

}  // namespace
