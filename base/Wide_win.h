#pragma once
// Portable code keeps UTF-16 text as char16_t; Win32 wants wchar_t. On Windows both are
// 16-bit code units, so the boundary is a cast, never a conversion.
static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 wchar_t expected");

inline const wchar_t* AsWide(const char16_t* s) { return reinterpret_cast<const wchar_t*>(s); }
inline wchar_t* AsWide(char16_t* s) { return reinterpret_cast<wchar_t*>(s); }
inline const char16_t* AsUtf16(const wchar_t* s) { return reinterpret_cast<const char16_t*>(s); }
inline char16_t* AsUtf16(wchar_t* s) { return reinterpret_cast<char16_t*>(s); }
