#pragma once
// UTF-8 text handling: the program's strings hold UTF-8, and whatever counts characters for a
// user steps over whole characters. Invalid bytes count as one character each (U+FFFD when
// decoded), so that stepping always advances and never splits a valid character.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/core/SysUtils.h"

using UCS4String = std::u32string;

constexpr char32_t kReplacementChar = 0xFFFD;

// Byte length of the character starting at S[Pos] (1 for an invalid byte, 0 at the end).
std::size_t Utf8CharLen(std::string_view S, std::size_t Pos);
// Byte offset of the next / previous character boundary.
std::size_t Utf8Next(std::string_view S, std::size_t Pos);
std::size_t Utf8Prev(std::string_view S, std::size_t Pos);
// True when Pos is at a character boundary (or the end).
bool Utf8IsBoundary(std::string_view S, std::size_t Pos);
// Number of characters.
std::size_t Utf8Length(std::string_view S);
// Byte offset of character N (counted from 0); the byte length when N is past the end.
std::size_t Utf8OffsetOf(std::string_view S, std::size_t N);
// Character index of byte offset Pos (a position inside a character counts as that character).
std::size_t Utf8IndexOf(std::string_view S, std::size_t Pos);
// Characters [Start, Start + Count) counted from 0.
std::string Utf8Copy(std::string_view S, std::size_t Start, std::size_t Count = std::string::npos);

// Decodes the character at Pos and advances Pos past it.
char32_t Utf8Decode(std::string_view S, std::size_t& Pos);
// Appends the encoding of C (invalid code points become U+FFFD).
void Utf8Append(std::string& Out, char32_t C);
std::string Utf8Encode(char32_t C);
bool Utf8IsValid(std::string_view S);

WideString Utf8ToWide(std::string_view S);
std::string WideToUtf8(std::u16string_view W);
UCS4String Utf8ToUcs4(std::string_view S);
std::string Ucs4ToUtf8(std::u32string_view U);

// Unicode case mapping (simple, one code point to one, plus the full mappings Qt gives for strings).
char32_t UnicodeUpper(char32_t C);
char32_t UnicodeLower(char32_t C);
std::string Utf8UpperCase(std::string_view S);
std::string Utf8LowerCase(std::string_view S);

// Character classes for word breaking.
bool IsUnicodeLetter(char32_t C);
bool IsUnicodeDigit(char32_t C);
bool IsUnicodeSpace(char32_t C);
// Letter, digit or underscore.
bool IsUnicodeWordChar(char32_t C);
