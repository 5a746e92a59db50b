#pragma once
// Byte streams: memory, file and string streams (part of Classes.h).

#include "platform/core/ObjectModel.h"

// ---------------------------------------------------------------------------------------------
// Streams

enum TSeekOrigin { soBeginning = 0, soCurrent = 1, soEnd = 2 };
constexpr int soFromBeginning = 0;
constexpr int soFromCurrent = 1;
constexpr int soFromEnd = 2;

class TStream : public TObject {
  VT_CLASS(TStream, TObject)
public:
  // Reads up to Count bytes; answers how many were read.
  virtual std::int64_t Read(void* Buffer, std::int64_t Count) = 0;
  // Writes up to Count bytes; answers how many were written.
  virtual std::int64_t Write(const void* Buffer, std::int64_t Count) = 0;
  virtual std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) = 0;
  std::int64_t Seek(std::int64_t Offset, int Origin) { return Seek(Offset, static_cast<TSeekOrigin>(Origin)); }

  std::int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(std::int64_t Pos) { Seek(Pos, soBeginning); }
  virtual std::int64_t Size();
  virtual void SetSize(std::int64_t NewSize);
  // Bytes between the position and the end.
  std::int64_t Remaining() { return Size() - Position(); }

  // Exactly Count bytes or EReadError "Stream read error" / EWriteError "Stream write error".
  void ReadBuffer(void* Buffer, std::int64_t Count);
  void WriteBuffer(const void* Buffer, std::int64_t Count);
  // Copies Count bytes from Source (0: all of Source from its start); answers the count.
  std::int64_t CopyFrom(TStream* Source, std::int64_t Count);

  // Little-endian primitives.
  std::int8_t ReadInt8() { return Get<std::int8_t>(); }
  std::uint8_t ReadUInt8() { return Get<std::uint8_t>(); }
  std::int16_t ReadInt16() { return Get<std::int16_t>(); }
  std::uint16_t ReadUInt16() { return Get<std::uint16_t>(); }
  std::int32_t ReadInt32() { return Get<std::int32_t>(); }
  std::uint32_t ReadUInt32() { return Get<std::uint32_t>(); }
  std::int64_t ReadInt64() { return Get<std::int64_t>(); }
  std::uint64_t ReadUInt64() { return Get<std::uint64_t>(); }
  float ReadSingle() { return Get<float>(); }
  double ReadDouble() { return Get<double>(); }
  bool ReadBoolean() { return Get<std::uint8_t>() != 0; }
  // An int32 byte length, then the bytes.
  String ReadAnsiString();
  // An int32 character count, then the UTF-16 units.
  WideString ReadWideString();

  void WriteInt8(std::int8_t v) { Put(v); }
  void WriteUInt8(std::uint8_t v) { Put(v); }
  void WriteInt16(std::int16_t v) { Put(v); }
  void WriteUInt16(std::uint16_t v) { Put(v); }
  void WriteInt32(std::int32_t v) { Put(v); }
  void WriteUInt32(std::uint32_t v) { Put(v); }
  void WriteInt64(std::int64_t v) { Put(v); }
  void WriteUInt64(std::uint64_t v) { Put(v); }
  void WriteSingle(float v) { Put(v); }
  void WriteDouble(double v) { Put(v); }
  void WriteBoolean(bool v) { Put(static_cast<std::uint8_t>(v ? 1 : 0)); }
  void WriteAnsiString(const String& s);
  void WriteWideString(const WideString& s);

  // Reads an int32 length and checks that Length items of ItemSize bytes remain in the stream.
  std::int32_t ReadLength(std::int64_t ItemSize);

private:
  template <class T>
  T Get() {
    unsigned char b[sizeof(T)];
    ReadBuffer(b, sizeof(T));
    if constexpr (std::endian::native == std::endian::big) std::reverse(b, b + sizeof(T));
    T v;
    std::memcpy(&v, b, sizeof(T));
    return v;
  }
  template <class T>
  void Put(T v) {
    unsigned char b[sizeof(T)];
    std::memcpy(b, &v, sizeof(T));
    if constexpr (std::endian::native == std::endian::big) std::reverse(b, b + sizeof(T));
    WriteBuffer(b, sizeof(T));
  }
};

class TMemoryStream : public TStream {
  VT_CLASS(TMemoryStream, TStream)
public:
  std::int64_t Read(void* Buffer, std::int64_t Count) override;
  std::int64_t Write(const void* Buffer, std::int64_t Count) override;
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
  using TStream::Seek;
  std::int64_t Size() override { return static_cast<std::int64_t>(fData.size()); }
  void SetSize(std::int64_t NewSize) override;
  void* Memory() { return fData.data(); }
  const void* Memory() const { return fData.data(); }
  void Clear();
  void LoadFromStream(TStream* Stream);
  void LoadFromFile(const String& FileName);
  void SaveToStream(TStream* Stream);
  void SaveToFile(const String& FileName);

private:
  std::vector<std::uint8_t> fData;
  std::int64_t fPosition = 0;
};

// True when both memory streams have the same size and bytes.
bool IsMemoryStreamEqual(const TMemoryStream* AStream1, const TMemoryStream* AStream2);

// File modes: one of the open modes, or'ed with one share flag (accepted, not enforced).
constexpr std::uint16_t fmCreate = 0xFF00;
constexpr std::uint16_t fmOpenRead = 0x0000;
constexpr std::uint16_t fmOpenWrite = 0x0001;
constexpr std::uint16_t fmOpenReadWrite = 0x0002;
constexpr std::uint16_t fmShareCompat = 0x0000;
constexpr std::uint16_t fmShareExclusive = 0x0010;
constexpr std::uint16_t fmShareDenyWrite = 0x0020;
constexpr std::uint16_t fmShareDenyRead = 0x0030;
constexpr std::uint16_t fmShareDenyNone = 0x0040;

// A stream on a file. Opening raises EFOpenError "Cannot open file "%s". %s", creating
// EFCreateError "Cannot create file "%s". %s" (the second %s is the system's reason).
class TFileStream : public TStream {
  VT_CLASS(TFileStream, TStream)
public:
  // Rights: the permission bits of a created file (before the umask).
  TFileStream(const String& FileName, std::uint16_t Mode, unsigned Rights = 0666);
  ~TFileStream() override;
  std::int64_t Read(void* Buffer, std::int64_t Count) override;
  std::int64_t Write(const void* Buffer, std::int64_t Count) override;
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
  using TStream::Seek;
  void SetSize(std::int64_t NewSize) override;
  const String& FileName() const { return fFileName; }
  int Handle() const { return fHandle; }

private:
  String fFileName;
  int fHandle = -1;
};

// A stream over a string of bytes.
class TStringStream : public TStream {
  VT_CLASS(TStringStream, TStream)
public:
  explicit TStringStream(String AString = String()) : fData(std::move(AString)) {}
  std::int64_t Read(void* Buffer, std::int64_t Count) override;
  std::int64_t Write(const void* Buffer, std::int64_t Count) override;
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
  using TStream::Seek;
  std::int64_t Size() override { return static_cast<std::int64_t>(fData.size()); }
  void SetSize(std::int64_t NewSize) override;
  const String& DataString() const { return fData; }
  // Raw text, without a length: up to Count bytes from the position / written at the position.
  String ReadString(std::int64_t Count);
  void WriteString(const String& S) { WriteBuffer(S.data(), static_cast<std::int64_t>(S.size())); }

private:
  String fData;
  std::int64_t fPosition = 0;
};
