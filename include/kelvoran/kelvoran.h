// kelvoran: the C interface to the H2O–NaCl phase-state model, for C, Fortran (iso_c_binding),
// Julia (ccall) and any language that calls C. C99 or later, or C++. Include
// <kelvoran/kelvoran.h> and link libkelvoran.so (pkg-config --cflags --libs kelvoran, or the
// CMake target kelvoran::shared of find_package(kelvoran)):
//
//   double p[1] = {100.0}, h[1] = {2.0e6}, x[1] = {0.0};      // bar, J/kg, mole fraction NaCl
//   double t[1], s_vapor[1];
//   int32_t status[1], state[1];
//   kelvoran_outputs out;
//   kelvoran_outputs_init(&out, 1);                            // every array null, length 1
//   out.status = status;
//   out.state = state;
//   out.temperature_c = t;
//   out.vapor.saturation = s_vapor;
//   int32_t code = kelvoran_evaluate_ph(1, p, h, x, &out, NULL, NULL);
//   if (code != KELVORAN_OK) fprintf(stderr, "%s\n", kelvoran_error_message(code));
//
// Arrays belong to the caller: the library allocates nothing that it hands back and keeps no
// pointer after a call. Sizes are int64_t; a call evaluates n points, from inputs of n doubles
// each, into output arrays (each optional, NULL: not written) of at least `length` entries of
// their struct, with length ≥ n. Each call returns a kelvoran_error code (KELVORAN_OK = 0) and
// gives each point a kelvoran_point_status in outputs->status; on an error code nothing is
// written, except KELVORAN_ERROR_CANCELLED, after which the outputs are incomplete. No C++
// exception leaves the library. The structs begin with struct_size, which their *_init
// functions set to the size the caller's header gives them: later versions only append
// members, and a library reads only what the caller's struct holds. Every function may be
// called from any number of threads at once; a result depends on its point alone, the same for
// any thread count and any order. Units: T °C, P bar, x mole fraction NaCl, density kg/m³,
// specific enthalpy J/kg, heat capacity J/(kg K), molar volume cm³/mol, as the names say.

#ifndef KELVORAN_KELVORAN_H
#define KELVORAN_KELVORAN_H

#include <stdint.h>
#ifndef __cplusplus
#include <stdbool.h>
#endif

#if defined(__GNUC__)
#define KELVORAN_API __attribute__((visibility("default")))
#else
#define KELVORAN_API
#endif

// In C++ the functions are noexcept: no exception leaves the library.
#ifdef __cplusplus
#define KELVORAN_NOEXCEPT noexcept
#define KELVORAN_ZERO_INITIALIZER \
    {}
extern "C" {
#else
#define KELVORAN_NOEXCEPT
#define KELVORAN_ZERO_INITIALIZER \
    { 0 }
#endif

// --- codes ---------------------------------------------------------------------------------

/// What a call returns.
enum kelvoran_error {
    KELVORAN_OK = 0,                  ///< every point evaluated
    KELVORAN_ERROR_NULL_POINTER = 1,  ///< outputs is NULL, or an input array is NULL while n > 0
    KELVORAN_ERROR_LENGTH = 2,        ///< n < 0, or n exceeds the length of outputs or derivatives
    KELVORAN_ERROR_STRUCT_SIZE = 3,   ///< a struct_size this library does not know (the struct
                                      ///< not initialised, or from a newer header)
    KELVORAN_ERROR_INVALID_ARGUMENT = 4,  ///< an option out of range: threads < 0, or the search
                                          ///< range of the call not finite, empty or at P ≤ 0
    KELVORAN_ERROR_CANCELLED = 5,         ///< the progress callback returned 0
    KELVORAN_ERROR_OUT_OF_MEMORY = 6,     ///< the library could not allocate its working memory
    KELVORAN_ERROR_INTERNAL = 7,          ///< an unexpected failure inside the library
    KELVORAN_ERROR_TABLE_FILE = 8         ///< kelvoran_table_load: the file cannot be read, or is
                                          ///< not a complete, undamaged property table (nor
                                          ///< are the bytes of kelvoran_table_from_bytes)
};

/// What outputs->status says of one point: the codes of the inverse evaluations.
enum kelvoran_point_status {
    KELVORAN_POINT_SOLVED = 0,        ///< the state is written (inverse: it has the given value)
    KELVORAN_POINT_OUT_OF_RANGE = 1,  ///< no temperature (pressure) of the search range gives
                                      ///< the value
    KELVORAN_POINT_UNDEFINED = 2,     ///< the value falls where the model defines no such bulk
                                      ///< property (a state with halite, for the enthalpy)
    KELVORAN_POINT_INVALID_INPUT = 3  ///< an input not finite, T below absolute zero, P ≤ 0 bar
                                      ///< or x outside 0–1
};

/// Phase-state codes of outputs->state.
enum kelvoran_state {
    KELVORAN_STATE_UNDETERMINED = 0,        ///< not evaluated or not solved
    KELVORAN_STATE_LIQUID = 1,              ///< L: one fluid, liquid side
    KELVORAN_STATE_VAPOR = 2,               ///< V: one fluid, vapor side
    KELVORAN_STATE_FLUID = 3,               ///< F: one fluid above the vapor–liquid region
    KELVORAN_STATE_VAPOR_LIQUID = 4,        ///< V + L
    KELVORAN_STATE_VAPOR_HALITE = 5,        ///< V + H
    KELVORAN_STATE_LIQUID_HALITE = 6,       ///< L + H
    KELVORAN_STATE_VAPOR_LIQUID_HALITE = 7  ///< V + L + H
};

// --- output arrays -------------------------------------------------------------------------

/// Arrays of one phase (or of the bulk fluid), NULL for those not wanted. A phase absent at a
/// point gets NaN there, as does a value the model does not define (the enthalpy of halite and
/// so the bulk enthalpy of a state with halite; the heat capacity of a bulk of several phases).
/// Frozen: later versions add members to kelvoran_outputs, never here.
typedef struct kelvoran_phase_columns {
    double* composition;             ///< mole fraction NaCl in the phase
    double* mass_fraction;           ///< mass fraction NaCl in the phase, kg/kg
    double* density_kg_m3;           ///< kg/m³
    double* molar_volume_cm3_mol;    ///< cm³/mol
    double* specific_enthalpy_j_kg;  ///< J/kg
    double* heat_capacity_j_kg_k;    ///< isobaric, J/(kg K)
    double* phase_mass_fraction;     ///< kg of the phase per kg of the bulk
    double* saturation;              ///< m³ of the phase per m³ of the bulk
} kelvoran_phase_columns;

/// Where an evaluation writes: per point, arrays of at least `length` entries, or NULL.
typedef struct kelvoran_outputs {
    int64_t struct_size;    ///< sizeof(kelvoran_outputs), set by kelvoran_outputs_init
    int64_t length;         ///< entries each non-null array holds; a call's n must not exceed it
    int32_t* status;        ///< kelvoran_point_status code
    int32_t* state;         ///< kelvoran_state code; 0 where unsolved
    uint32_t* warnings;     ///< warning bits (kelvoran_warning_name); 0 where unsolved
    int32_t* fluid_type;    ///< single fluid: 1 liquid-like, 2 vapor-like, 3 supercritical; else 0
    double* temperature_c;  ///< °C of the state: found by (P,h,x) and (P,ρ,x), the input of
                            ///< (T,P,x) and (T,ρ,x); NaN where unsolved
    double* pressure_bar;   ///< bar of the state: found by (T,ρ,x), the input otherwise; NaN
                            ///< where unsolved
    bool* amounts_from_bulk_property;  ///< true where the amounts of the phases were fixed by
                                       ///< the given bulk property, not by the lever rule: V + L
                                       ///< + H by its density, a two-phase state inside a jump
                                       ///< (boiling pure water at its boiling temperature)
    kelvoran_phase_columns liquid;     ///< the liquid, or the single fluid of states L and F
    kelvoran_phase_columns vapor;      ///< the vapor, or the single fluid of state V
    kelvoran_phase_columns halite;     ///< solid NaCl
    kelvoran_phase_columns bulk;       ///< the fluid as a whole
} kelvoran_outputs;

// --- derivatives ---------------------------------------------------------------------------

/// ∂(one quantity)/∂(each input of the call), arrays of at least `length` entries, or NULL.
/// The inputs of a call, in its argument order: (T °C, P bar, x) for kelvoran_evaluate,
/// (P bar, h J/kg, x) for kelvoran_evaluate_ph, (P bar, ρ kg/m³, x) for kelvoran_evaluate_prho,
/// (T °C, ρ kg/m³, x) for kelvoran_evaluate_trho.
typedef struct kelvoran_gradient {
    double* first;   ///< per K for (T,P,x) and (T,ρ,x); per bar for (P,h,x) and (P,ρ,x)
    double* second;  ///< per bar (T,P,x); per J/kg (P,h,x); per kg/m³ (P,ρ,x) and (T,ρ,x)
    double* third;   ///< per unit mole fraction NaCl
} kelvoran_gradient;

/// Derivatives of one phase's (or the bulk's) values. Frozen, as kelvoran_phase_columns.
typedef struct kelvoran_phase_derivatives {
    kelvoran_gradient density_kg_m3;           ///< of the density, kg/m³ per unit input
    kelvoran_gradient specific_enthalpy_j_kg;  ///< of the specific enthalpy, J/kg per unit input
    kelvoran_gradient phase_mass_fraction;     ///< of the mass fraction of the phase
    kelvoran_gradient saturation;              ///< of the volume fraction of the phase
    kelvoran_gradient mass_fraction;           ///< of the NaCl mass fraction of the phase, kg/kg
} kelvoran_phase_derivatives;

/// Which derivatives a call computes: all NULL (or no struct at all) computes none, any array
/// makes the call cost about a third more. Exact derivatives of the model's own functions in the
/// phase state of each point (one-sided on a boundary): NaN where the phase is absent, where the
/// value is NaN or not defined, and where the model is not differentiable (V + L + H of
/// kelvoran_evaluate). Inside the boiling band of pure water T is fixed by P: ∂T/∂h = 0.
typedef struct kelvoran_derivatives {
    int64_t struct_size;            ///< sizeof(kelvoran_derivatives), set by its init function
    int64_t length;                 ///< entries each non-null array holds; n must not exceed it
    kelvoran_gradient temperature;  ///< of the temperature, °C per unit input
    kelvoran_gradient pressure;     ///< of the pressure, bar per unit input
    kelvoran_phase_derivatives liquid;
    kelvoran_phase_derivatives vapor;
    kelvoran_phase_derivatives halite;
    kelvoran_phase_derivatives bulk;
} kelvoran_derivatives;

// --- options -------------------------------------------------------------------------------

/// Called on the calling thread before any work (done = 0), a few times a second while the
/// workers run, and at the end (done = total). Return nonzero to go on, 0 to cancel: the call
/// then stops at the workers' next block of 64 points and returns KELVORAN_ERROR_CANCELLED (the
/// return value of the last call, made once every point is written, is ignored).
typedef int32_t (*kelvoran_progress_callback)(int64_t done, int64_t total, void* user_data);

/// How a call runs; a NULL options argument means the defaults of kelvoran_options_init.
typedef struct kelvoran_options {
    int64_t struct_size;  ///< sizeof(kelvoran_options), set by kelvoran_options_init
    int32_t threads;      ///< worker threads; 0 (the default): every core; 1: the calling thread
    int32_t reserved;     ///< 0
    kelvoran_progress_callback progress;  ///< optional (NULL)
    void* user_data;                      ///< handed to progress
    double search_lower_c;    ///< lowest temperature searched by (P,h,x) and (P,ρ,x), °C
    double search_upper_c;    ///< highest temperature searched, °C
    double search_lower_bar;  ///< lowest pressure searched by (T,ρ,x), bar (above 0)
    double search_upper_bar;  ///< highest pressure searched, bar
} kelvoran_options;

/// Every array NULL, struct_size set, length = the entries of the caller's arrays.
static inline void kelvoran_outputs_init(kelvoran_outputs* outputs, int64_t length) {
    kelvoran_outputs zero = KELVORAN_ZERO_INITIALIZER;
    *outputs = zero;
    outputs->struct_size = (int64_t)sizeof(kelvoran_outputs);
    outputs->length = length;
}

/// Every array NULL (no derivative asked for), struct_size set, length as above.
static inline void kelvoran_derivatives_init(kelvoran_derivatives* derivatives, int64_t length) {
    kelvoran_derivatives zero = KELVORAN_ZERO_INITIALIZER;
    *derivatives = zero;
    derivatives->struct_size = (int64_t)sizeof(kelvoran_derivatives);
    derivatives->length = length;
}

/// Every core, no progress callback, the search over the fitted range: 0–1000 °C, 1–5000 bar.
static inline void kelvoran_options_init(kelvoran_options* options) {
    kelvoran_options zero = KELVORAN_ZERO_INITIALIZER;
    *options = zero;
    options->struct_size = (int64_t)sizeof(kelvoran_options);
    options->search_lower_c = 0.0;
    options->search_upper_c = 1000.0;
    options->search_lower_bar = 1.0;
    options->search_upper_bar = 5000.0;
}

// --- evaluations ---------------------------------------------------------------------------

/// (T °C, P bar, x mole fraction NaCl) → the phase state and the properties, for n points, into
/// *outputs and, where derivatives names arrays, their derivatives; derivatives and options may
/// be NULL. A point whose inputs are not finite, T below absolute zero, P ≤ 0 or x outside 0–1
/// is not evaluated: status KELVORAN_POINT_INVALID_INPUT, state 0, the warning invalid_input
/// (bit 7) and NaN. Every other point is SOLVED.
KELVORAN_API int32_t kelvoran_evaluate(int64_t n, const double* temperature_c,
                                       const double* pressure_bar, const double* composition,
                                       const kelvoran_outputs* outputs,
                                       const kelvoran_derivatives* derivatives,
                                       const kelvoran_options* options) KELVORAN_NOEXCEPT;

/// (P bar, bulk specific enthalpy J/kg, x) → T (outputs->temperature_c) and the state there, as
/// kelvoran_evaluate. Unsolved points (status ≠ 0) get state 0 and NaN.
KELVORAN_API int32_t kelvoran_evaluate_ph(int64_t n, const double* pressure_bar,
                                          const double* specific_enthalpy_j_kg,
                                          const double* composition,
                                          const kelvoran_outputs* outputs,
                                          const kelvoran_derivatives* derivatives,
                                          const kelvoran_options* options) KELVORAN_NOEXCEPT;

/// (P bar, bulk density kg/m³, x) → T and the state, as kelvoran_evaluate_ph.
KELVORAN_API int32_t kelvoran_evaluate_prho(int64_t n, const double* pressure_bar,
                                            const double* density_kg_m3, const double* composition,
                                            const kelvoran_outputs* outputs,
                                            const kelvoran_derivatives* derivatives,
                                            const kelvoran_options* options) KELVORAN_NOEXCEPT;

/// (T °C, bulk density kg/m³, x) → P (outputs->pressure_bar) and the state: a point of an
/// isochore, searched over 1–5000 bar, as kelvoran_evaluate_ph.
KELVORAN_API int32_t kelvoran_evaluate_trho(int64_t n, const double* temperature_c,
                                            const double* density_kg_m3, const double* composition,
                                            const kelvoran_outputs* outputs,
                                            const kelvoran_derivatives* derivatives,
                                            const kelvoran_options* options) KELVORAN_NOEXCEPT;

// --- property tables -----------------------------------------------------------------------

/// A property table (built by kelvoran-tabulate or kelvoran::PropertyTable): the model's states
/// over a box of (T °C, P bar, x) or (P bar, h J/kg, x), looked up far faster than the model
/// is evaluated, with the model's phase state at every point. Opaque; made by
/// kelvoran_table_load or kelvoran_table_from_bytes, released by kelvoran_table_free; one
/// table may serve any number of threads at once.
typedef struct kelvoran_table kelvoran_table;

/// What kelvoran_table_variables says a table is looked up with.
enum kelvoran_table_variables {
    KELVORAN_TABLE_TPX = 1,  ///< (T °C, P bar, x): as kelvoran_evaluate
    KELVORAN_TABLE_PHX = 2   ///< (P bar, bulk specific enthalpy J/kg, x): as kelvoran_evaluate_ph
};

/// Maps the table file at `path` (NUL-terminated) into memory and checks it (magic number,
/// format version, size, checksum, every index) into *table. On failure *table is NULL, the
/// code is KELVORAN_ERROR_TABLE_FILE (KELVORAN_ERROR_NULL_POINTER for a NULL path or table,
/// KELVORAN_ERROR_OUT_OF_MEMORY) and, where `message` is not NULL, a sentence naming the file
/// and saying why is written into the caller's `message_size` bytes, cut to fit and
/// NUL-terminated.
KELVORAN_API int32_t kelvoran_table_load(const char* path, kelvoran_table** table, char* message,
                                         int64_t message_size) KELVORAN_NOEXCEPT;

/// Checks a table image of `size` bytes (those kelvoran_table_bytes gives, or a table file read
/// into memory) and copies it into *table; the caller's bytes may be released afterwards. For
/// runs that read a table once and send it to their other processes (an MPI broadcast). Fails
/// as kelvoran_table_load does, the message naming "the table's bytes";
/// KELVORAN_ERROR_NULL_POINTER for a NULL table (or NULL bytes with size > 0),
/// KELVORAN_ERROR_LENGTH for size < 0.
KELVORAN_API int32_t kelvoran_table_from_bytes(const void* bytes, int64_t size,
                                               kelvoran_table** table, char* message,
                                               int64_t message_size) KELVORAN_NOEXCEPT;

/// The image of `table` (its file's bytes) into *bytes and *size (bytes), valid until the
/// table is released; KELVORAN_ERROR_NULL_POINTER (and *bytes NULL, *size 0 where given) for a
/// NULL argument.
KELVORAN_API int32_t kelvoran_table_bytes(const kelvoran_table* table, const void** bytes,
                                          int64_t* size) KELVORAN_NOEXCEPT;

/// Releases a table of kelvoran_table_load or kelvoran_table_from_bytes; NULL is ignored.
KELVORAN_API void kelvoran_table_free(kelvoran_table* table) KELVORAN_NOEXCEPT;

/// KELVORAN_TABLE_TPX or KELVORAN_TABLE_PHX; 0 for NULL.
KELVORAN_API int32_t kelvoran_table_variables(const kelvoran_table* table) KELVORAN_NOEXCEPT;

/// Looks up n points (first, second, composition) in the table's variables: (T, P, x) into
/// *outputs as kelvoran_evaluate writes them, (P, h, x) as kelvoran_evaluate_ph; heat
/// capacities NaN. The derivatives are those of the table's interpolant with respect to its
/// variables (the model's exact ones at points the table leaves to the model: outside its box,
/// at a phase boundary). The search range of `options` is checked as kelvoran_evaluate_ph
/// checks it, but not used. Codes as kelvoran_evaluate;
/// KELVORAN_ERROR_NULL_POINTER for a NULL table.
KELVORAN_API int32_t kelvoran_table_evaluate(const kelvoran_table* table, int64_t n,
                                             const double* first, const double* second,
                                             const double* composition,
                                             const kelvoran_outputs* outputs,
                                             const kelvoran_derivatives* derivatives,
                                             const kelvoran_options* options) KELVORAN_NOEXCEPT;

// --- names, messages, version, conversions -------------------------------------------------

/// A sentence for a kelvoran_error code; "unknown error code" for any other. Like every string
/// of the library: static, NUL-terminated ASCII, never to be freed.
KELVORAN_API const char* kelvoran_error_message(int32_t code) KELVORAN_NOEXCEPT;

/// A sentence for a kelvoran_point_status code; "unknown point status" for any other.
KELVORAN_API const char* kelvoran_point_status_message(int32_t status) KELVORAN_NOEXCEPT;

/// "L", "V", "F", "V+L", "V+H", "L+H", "V+L+H"; "undetermined" for any other code.
KELVORAN_API const char* kelvoran_state_name(int32_t state) KELVORAN_NOEXCEPT;

/// The name of warning bit `bit` (0–31), e.g. "outside_fitted_range" for bit 0; "" for a bit
/// without a warning.
KELVORAN_API const char* kelvoran_warning_name(int32_t bit) KELVORAN_NOEXCEPT;

/// The library's version, "MAJOR.MINOR.PATCH", and its parts.
KELVORAN_API const char* kelvoran_version(void) KELVORAN_NOEXCEPT;
KELVORAN_API int32_t kelvoran_version_major(void) KELVORAN_NOEXCEPT;
KELVORAN_API int32_t kelvoran_version_minor(void) KELVORAN_NOEXCEPT;
KELVORAN_API int32_t kelvoran_version_patch(void) KELVORAN_NOEXCEPT;

/// Mole fraction NaCl of a mixture of NaCl mass fraction w (kg/kg), and back.
KELVORAN_API double kelvoran_mole_fraction_from_mass_fraction(double mass_fraction)
    KELVORAN_NOEXCEPT;
KELVORAN_API double kelvoran_mass_fraction_from_mole_fraction(double composition) KELVORAN_NOEXCEPT;

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // KELVORAN_KELVORAN_H
