#pragma once

// Floating-point std::to_chars and std::from_chars for the WebAssembly build, whose standard
// library (libc++ 13) has them for integers only. Force-included (-include) into every source
// of that build and nowhere else, so that the shared number text of the table tool compiles
// unchanged. Defined in CharconvShim.cpp.

#include <charconv>

#if defined(__EMSCRIPTEN__) && defined(_LIBCPP_VERSION) && _LIBCPP_VERSION < 14000

#include <system_error>

namespace std {

to_chars_result to_chars(char* first, char* last, double value, chars_format format);
to_chars_result to_chars(char* first, char* last, double value, chars_format format,
                         int precision);
from_chars_result from_chars(const char* first, const char* last, double& value,
                             chars_format format = chars_format::general);

}  // namespace std

#endif
