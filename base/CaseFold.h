#pragma once

// Comparisons without regard to case, for the Latin, Greek and Cyrillic letters titles and
// image names use.

char16_t FoldCase(char16_t c);
bool EqualIgnoringCase(const char16_t* a, const char16_t* b);
bool ContainsIgnoringCase(const char16_t* text, const char16_t* part);
