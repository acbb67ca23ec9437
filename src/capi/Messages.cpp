// The names, messages, version and conversions of the C interface.

#include <cstdint>
#include <string_view>

#include "BuildInfo.h"
#include "kelvoran/Calculator.h"
#include "kelvoran/Inverse.h"
#include "kelvoran/kelvoran.h"

namespace {

/// The library's names are views of string literals: their data is NUL-terminated.
const char* cString(std::string_view literal) { return literal.empty() ? "" : literal.data(); }

}  // namespace

extern "C" {

KELVORAN_API const char* kelvoran_error_message(int32_t code) noexcept {
    switch (code) {
        case KELVORAN_OK:
            return "no error";
        case KELVORAN_ERROR_NULL_POINTER:
            return "a required pointer is null (the outputs, or an input array while n > 0)";
        case KELVORAN_ERROR_LENGTH:
            return "the number of points is negative or exceeds the length of the outputs or "
                   "derivatives";
        case KELVORAN_ERROR_STRUCT_SIZE:
            return "a struct's struct_size is not one this library knows (set it with the "
                   "struct's init function)";
        case KELVORAN_ERROR_INVALID_ARGUMENT:
            return "an option is out of range (threads below 0, or a search range that is not "
                   "finite, empty or at pressures not above 0)";
        case KELVORAN_ERROR_CANCELLED:
            return "cancelled by the progress callback; the outputs are incomplete";
        case KELVORAN_ERROR_OUT_OF_MEMORY:
            return "out of memory";
        case KELVORAN_ERROR_INTERNAL:
            return "an unexpected failure inside the library";
        case KELVORAN_ERROR_TABLE_FILE:
            return "the property table file cannot be read, or is not a complete, undamaged "
                   "table";
        default:
            return "unknown error code";
    }
}

KELVORAN_API const char* kelvoran_point_status_message(int32_t status) noexcept {
    if (status < KELVORAN_POINT_SOLVED || status > KELVORAN_POINT_INVALID_INPUT) {
        return "unknown point status";
    }
    return cString(kelvoran::describe(static_cast<kelvoran::InverseStatus>(status)));
}

KELVORAN_API const char* kelvoran_state_name(int32_t state) noexcept {
    return cString(kelvoran::shortName(static_cast<kelvoran::Phases>(state)));
}

KELVORAN_API const char* kelvoran_warning_name(int32_t bit) noexcept {
    if (bit < 0 || bit > 31) return "";
    return cString(kelvoran::warningName(static_cast<kelvoran::Warning>(1U << bit)));
}

KELVORAN_API const char* kelvoran_version(void) noexcept { return kelvoran::kProgramVersion; }
KELVORAN_API int32_t kelvoran_version_major(void) noexcept { return KELVORAN_VERSION_MAJOR; }
KELVORAN_API int32_t kelvoran_version_minor(void) noexcept { return KELVORAN_VERSION_MINOR; }
KELVORAN_API int32_t kelvoran_version_patch(void) noexcept { return KELVORAN_VERSION_PATCH; }

KELVORAN_API double kelvoran_mole_fraction_from_mass_fraction(double mass_fraction) noexcept {
    return kelvoran::moleFractionFromMassFraction(mass_fraction);
}

KELVORAN_API double kelvoran_mass_fraction_from_mole_fraction(double composition) noexcept {
    return kelvoran::massFractionFromMoleFraction(composition);
}

}  // extern "C"
