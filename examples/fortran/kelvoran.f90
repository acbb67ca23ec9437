! kelvoran: the C interface of the H2O-NaCl phase-state model (kelvoran/kelvoran.h) for
! Fortran 2008, through iso_c_binding. Compile this file with your program and link
! libkelvoran.so:
!
!   gfortran -c kelvoran.f90
!   gfortran app.f90 kelvoran.o $(pkg-config --libs kelvoran)
!
! The arrays belong to the caller: give them the TARGET attribute and point the members of a
! kelvoran_outputs at them with c_loc, after kelvoran_outputs_init(outputs, n). Members left
! as c_null_ptr are not written. Every function returns a code (KELVORAN_OK = 0); each point
! gets a status code. Units: T degC, P bar, x mole fraction NaCl, density kg/m3, specific
! enthalpy J/kg, heat capacity J/(kg K), molar volume cm3/mol.
module kelvoran
  use, intrinsic :: iso_c_binding, only: c_int8_t, c_int32_t, c_int64_t, c_double, c_ptr, c_funptr, &
                                         c_null_ptr, c_null_funptr, c_char, c_null_char, &
                                         c_size_t, c_associated, c_f_pointer, c_sizeof, c_loc
  implicit none
  private

  ! Codes a call returns (enum kelvoran_error).
  integer(c_int32_t), parameter, public :: KELVORAN_OK = 0
  integer(c_int32_t), parameter, public :: KELVORAN_ERROR_NULL_POINTER = 1
  integer(c_int32_t), parameter, public :: KELVORAN_ERROR_LENGTH = 2
  integer(c_int32_t), parameter, public :: KELVORAN_ERROR_STRUCT_SIZE = 3
  integer(c_int32_t), parameter, public :: KELVORAN_ERROR_INVALID_ARGUMENT = 4
  integer(c_int32_t), parameter, public :: KELVORAN_ERROR_CANCELLED = 5
  integer(c_int32_t), parameter, public :: KELVORAN_ERROR_OUT_OF_MEMORY = 6
  integer(c_int32_t), parameter, public :: KELVORAN_ERROR_INTERNAL = 7
  integer(c_int32_t), parameter, public :: KELVORAN_ERROR_TABLE_FILE = 8  ! not a readable table

  ! What a property table is looked up with (enum kelvoran_table_variables).
  integer(c_int32_t), parameter, public :: KELVORAN_TABLE_TPX = 1  ! (T degC, P bar, x)
  integer(c_int32_t), parameter, public :: KELVORAN_TABLE_PHX = 2  ! (P bar, h J/kg, x)

  ! Status of a point (enum kelvoran_point_status).
  integer(c_int32_t), parameter, public :: KELVORAN_POINT_SOLVED = 0
  integer(c_int32_t), parameter, public :: KELVORAN_POINT_OUT_OF_RANGE = 1
  integer(c_int32_t), parameter, public :: KELVORAN_POINT_UNDEFINED = 2
  integer(c_int32_t), parameter, public :: KELVORAN_POINT_INVALID_INPUT = 3

  ! Phase-state codes (enum kelvoran_state).
  integer(c_int32_t), parameter, public :: KELVORAN_STATE_UNDETERMINED = 0
  integer(c_int32_t), parameter, public :: KELVORAN_STATE_LIQUID = 1
  integer(c_int32_t), parameter, public :: KELVORAN_STATE_VAPOR = 2
  integer(c_int32_t), parameter, public :: KELVORAN_STATE_FLUID = 3
  integer(c_int32_t), parameter, public :: KELVORAN_STATE_VAPOR_LIQUID = 4
  integer(c_int32_t), parameter, public :: KELVORAN_STATE_VAPOR_HALITE = 5
  integer(c_int32_t), parameter, public :: KELVORAN_STATE_LIQUID_HALITE = 6
  integer(c_int32_t), parameter, public :: KELVORAN_STATE_VAPOR_LIQUID_HALITE = 7

  ! Arrays of one phase (or of the bulk fluid): c_loc of real(c_double) arrays, or c_null_ptr.
  type, bind(c), public :: kelvoran_phase_columns
    type(c_ptr) :: composition = c_null_ptr             ! mole fraction NaCl
    type(c_ptr) :: mass_fraction = c_null_ptr           ! mass fraction NaCl, kg/kg
    type(c_ptr) :: density_kg_m3 = c_null_ptr           ! kg/m3
    type(c_ptr) :: molar_volume_cm3_mol = c_null_ptr    ! cm3/mol
    type(c_ptr) :: specific_enthalpy_j_kg = c_null_ptr  ! J/kg
    type(c_ptr) :: heat_capacity_j_kg_k = c_null_ptr    ! isobaric, J/(kg K)
    type(c_ptr) :: phase_mass_fraction = c_null_ptr     ! kg of the phase per kg of the bulk
    type(c_ptr) :: saturation = c_null_ptr              ! m3 of the phase per m3 of the bulk
  end type kelvoran_phase_columns

  ! Where an evaluation writes. Set up with kelvoran_outputs_init.
  type, bind(c), public :: kelvoran_outputs
    integer(c_int64_t) :: struct_size = 0               ! c_sizeof of this type
    integer(c_int64_t) :: length = 0                    ! entries each array holds, >= n
    type(c_ptr) :: status = c_null_ptr                  ! integer(c_int32_t): KELVORAN_POINT_*
    type(c_ptr) :: state = c_null_ptr                   ! integer(c_int32_t): KELVORAN_STATE_*
    type(c_ptr) :: warnings = c_null_ptr                ! integer(c_int32_t): warning bits
    type(c_ptr) :: fluid_type = c_null_ptr              ! integer(c_int32_t)
    type(c_ptr) :: temperature_c = c_null_ptr           ! real(c_double), degC of the state
    type(c_ptr) :: pressure_bar = c_null_ptr            ! real(c_double), bar of the state
    type(c_ptr) :: amounts_from_bulk_property = c_null_ptr  ! logical(c_bool): amounts fixed by the
                                                        ! given bulk property (boiling water)
    type(kelvoran_phase_columns) :: liquid
    type(kelvoran_phase_columns) :: vapor
    type(kelvoran_phase_columns) :: halite
    type(kelvoran_phase_columns) :: bulk
  end type kelvoran_outputs

  ! d(quantity)/d(each input of the call, in argument order).
  type, bind(c), public :: kelvoran_gradient
    type(c_ptr) :: first = c_null_ptr   ! per K (T first) or per bar (P first)
    type(c_ptr) :: second = c_null_ptr  ! per bar, per J/kg or per kg/m3
    type(c_ptr) :: third = c_null_ptr   ! per unit mole fraction NaCl
  end type kelvoran_gradient

  type, bind(c), public :: kelvoran_phase_derivatives
    type(kelvoran_gradient) :: density_kg_m3
    type(kelvoran_gradient) :: specific_enthalpy_j_kg
    type(kelvoran_gradient) :: phase_mass_fraction
    type(kelvoran_gradient) :: saturation
    type(kelvoran_gradient) :: mass_fraction
  end type kelvoran_phase_derivatives

  ! Which derivatives a call computes. Set up with kelvoran_derivatives_init.
  type, bind(c), public :: kelvoran_derivatives
    integer(c_int64_t) :: struct_size = 0
    integer(c_int64_t) :: length = 0
    type(kelvoran_gradient) :: temperature  ! of the temperature found, degC per unit input
    type(kelvoran_gradient) :: pressure     ! of the pressure found, bar per unit input
    type(kelvoran_phase_derivatives) :: liquid
    type(kelvoran_phase_derivatives) :: vapor
    type(kelvoran_phase_derivatives) :: halite
    type(kelvoran_phase_derivatives) :: bulk
  end type kelvoran_derivatives

  ! How a call runs. Set up with kelvoran_options_init.
  type, bind(c), public :: kelvoran_options
    integer(c_int64_t) :: struct_size = 0
    integer(c_int32_t) :: threads = 0         ! 0: every core; 1: the calling thread alone
    integer(c_int32_t) :: reserved = 0
    type(c_funptr) :: progress = c_null_funptr ! integer(c_int32_t) function(done, total, user_data)
    type(c_ptr) :: user_data = c_null_ptr
    real(c_double) :: search_lower_c = 0.0d0       ! temperatures searched by (P,h,x), (P,rho,x), degC
    real(c_double) :: search_upper_c = 1000.0d0
    real(c_double) :: search_lower_bar = 1.0d0     ! pressures searched by (T,rho,x), bar
    real(c_double) :: search_upper_bar = 5000.0d0
  end type kelvoran_options

  public :: kelvoran_evaluate, kelvoran_evaluate_ph, kelvoran_evaluate_prho, kelvoran_evaluate_trho
  public :: kelvoran_version_major, kelvoran_version_minor, kelvoran_version_patch
  public :: kelvoran_mole_fraction_from_mass_fraction, kelvoran_mass_fraction_from_mole_fraction
  public :: kelvoran_outputs_init, kelvoran_derivatives_init, kelvoran_options_init
  public :: kelvoran_version, kelvoran_error_message, kelvoran_point_status_message
  public :: kelvoran_state_name, kelvoran_warning_name
  public :: kelvoran_table_load, kelvoran_table_free, kelvoran_table_variables
  public :: kelvoran_table_evaluate, kelvoran_table_bytes, kelvoran_table_from_bytes

  ! The evaluations: n points, three input arrays, the outputs; derivatives and options are
  ! c_loc of a kelvoran_derivatives / kelvoran_options with the TARGET attribute, or c_null_ptr.
  interface
    function kelvoran_evaluate(n, temperature_c, pressure_bar, composition, outputs, &
                               derivatives, options) bind(c, name="kelvoran_evaluate") result(code)
      import :: c_int32_t, c_int64_t, c_double, c_ptr, kelvoran_outputs
      integer(c_int64_t), value :: n
      real(c_double), intent(in) :: temperature_c(*), pressure_bar(*), composition(*)
      type(kelvoran_outputs), intent(in) :: outputs
      type(c_ptr), value :: derivatives, options
      integer(c_int32_t) :: code
    end function kelvoran_evaluate

    function kelvoran_evaluate_ph(n, pressure_bar, specific_enthalpy_j_kg, composition, outputs, &
                                  derivatives, options) bind(c, name="kelvoran_evaluate_ph") &
                                  result(code)
      import :: c_int32_t, c_int64_t, c_double, c_ptr, kelvoran_outputs
      integer(c_int64_t), value :: n
      real(c_double), intent(in) :: pressure_bar(*), specific_enthalpy_j_kg(*), composition(*)
      type(kelvoran_outputs), intent(in) :: outputs
      type(c_ptr), value :: derivatives, options
      integer(c_int32_t) :: code
    end function kelvoran_evaluate_ph

    function kelvoran_evaluate_prho(n, pressure_bar, density_kg_m3, composition, outputs, &
                                    derivatives, options) bind(c, name="kelvoran_evaluate_prho") &
                                    result(code)
      import :: c_int32_t, c_int64_t, c_double, c_ptr, kelvoran_outputs
      integer(c_int64_t), value :: n
      real(c_double), intent(in) :: pressure_bar(*), density_kg_m3(*), composition(*)
      type(kelvoran_outputs), intent(in) :: outputs
      type(c_ptr), value :: derivatives, options
      integer(c_int32_t) :: code
    end function kelvoran_evaluate_prho

    function kelvoran_evaluate_trho(n, temperature_c, density_kg_m3, composition, outputs, &
                                    derivatives, options) bind(c, name="kelvoran_evaluate_trho") &
                                    result(code)
      import :: c_int32_t, c_int64_t, c_double, c_ptr, kelvoran_outputs
      integer(c_int64_t), value :: n
      real(c_double), intent(in) :: temperature_c(*), density_kg_m3(*), composition(*)
      type(kelvoran_outputs), intent(in) :: outputs
      type(c_ptr), value :: derivatives, options
      integer(c_int32_t) :: code
    end function kelvoran_evaluate_trho

    ! A property table (a type(c_ptr) of kelvoran_table_load): n points in its variables,
    ! (T, P, x) or (P, h, x), into the outputs as kelvoran_evaluate or kelvoran_evaluate_ph
    ! write them (heat capacities NaN); the derivatives are the interpolant's.
    function kelvoran_table_evaluate(table, n, first, second, composition, outputs, &
                                     derivatives, options) bind(c, name="kelvoran_table_evaluate") &
                                     result(code)
      import :: c_int32_t, c_int64_t, c_double, c_ptr, kelvoran_outputs
      type(c_ptr), value :: table
      integer(c_int64_t), value :: n
      real(c_double), intent(in) :: first(*), second(*), composition(*)
      type(kelvoran_outputs), intent(in) :: outputs
      type(c_ptr), value :: derivatives, options
      integer(c_int32_t) :: code
    end function kelvoran_table_evaluate

    ! Releases a table of kelvoran_table_load or kelvoran_table_from_bytes; c_null_ptr is
    ! ignored.
    subroutine kelvoran_table_free(table) bind(c, name="kelvoran_table_free")
      import :: c_ptr
      type(c_ptr), value :: table
    end subroutine kelvoran_table_free

    ! KELVORAN_TABLE_TPX or KELVORAN_TABLE_PHX; 0 for c_null_ptr.
    function kelvoran_table_variables(table) bind(c, name="kelvoran_table_variables") result(v)
      import :: c_ptr, c_int32_t
      type(c_ptr), value :: table
      integer(c_int32_t) :: v
    end function kelvoran_table_variables

    function kelvoran_version_major() bind(c, name="kelvoran_version_major") result(v)
      import :: c_int32_t
      integer(c_int32_t) :: v
    end function kelvoran_version_major

    function kelvoran_version_minor() bind(c, name="kelvoran_version_minor") result(v)
      import :: c_int32_t
      integer(c_int32_t) :: v
    end function kelvoran_version_minor

    function kelvoran_version_patch() bind(c, name="kelvoran_version_patch") result(v)
      import :: c_int32_t
      integer(c_int32_t) :: v
    end function kelvoran_version_patch

    ! Mole fraction NaCl of NaCl mass fraction w (kg/kg), and back.
    function kelvoran_mole_fraction_from_mass_fraction(mass_fraction) &
        bind(c, name="kelvoran_mole_fraction_from_mass_fraction") result(x)
      import :: c_double
      real(c_double), value :: mass_fraction
      real(c_double) :: x
    end function kelvoran_mole_fraction_from_mass_fraction

    function kelvoran_mass_fraction_from_mole_fraction(composition) &
        bind(c, name="kelvoran_mass_fraction_from_mole_fraction") result(w)
      import :: c_double
      real(c_double), value :: composition
      real(c_double) :: w
    end function kelvoran_mass_fraction_from_mole_fraction
  end interface

  ! The C functions that return static strings; the module's functions of the same names
  ! return them as Fortran strings.
  interface
    function c_version() bind(c, name="kelvoran_version") result(p)
      import :: c_ptr
      type(c_ptr) :: p
    end function c_version

    function c_error_message(code) bind(c, name="kelvoran_error_message") result(p)
      import :: c_ptr, c_int32_t
      integer(c_int32_t), value :: code
      type(c_ptr) :: p
    end function c_error_message

    function c_point_status_message(status) bind(c, name="kelvoran_point_status_message") &
        result(p)
      import :: c_ptr, c_int32_t
      integer(c_int32_t), value :: status
      type(c_ptr) :: p
    end function c_point_status_message

    function c_state_name(state) bind(c, name="kelvoran_state_name") result(p)
      import :: c_ptr, c_int32_t
      integer(c_int32_t), value :: state
      type(c_ptr) :: p
    end function c_state_name

    function c_warning_name(bit) bind(c, name="kelvoran_warning_name") result(p)
      import :: c_ptr, c_int32_t
      integer(c_int32_t), value :: bit
      type(c_ptr) :: p
    end function c_warning_name

    function c_table_load(path, table, message, message_size) bind(c, name="kelvoran_table_load") &
        result(code)
      import :: c_char, c_ptr, c_int32_t, c_int64_t
      character(kind=c_char), intent(in) :: path(*)
      type(c_ptr), intent(out) :: table
      type(c_ptr), value :: message
      integer(c_int64_t), value :: message_size
      integer(c_int32_t) :: code
    end function c_table_load

    function c_table_from_bytes(bytes, size, table, message, message_size) &
        bind(c, name="kelvoran_table_from_bytes") result(code)
      import :: c_ptr, c_int32_t, c_int64_t
      type(c_ptr), value :: bytes
      integer(c_int64_t), value :: size
      type(c_ptr), intent(out) :: table
      type(c_ptr), value :: message
      integer(c_int64_t), value :: message_size
      integer(c_int32_t) :: code
    end function c_table_from_bytes

    function c_table_bytes(table, bytes, size) bind(c, name="kelvoran_table_bytes") result(code)
      import :: c_ptr, c_int32_t, c_int64_t
      type(c_ptr), value :: table
      type(c_ptr), intent(out) :: bytes
      integer(c_int64_t), intent(out) :: size
      integer(c_int32_t) :: code
    end function c_table_bytes

    function c_strlen(s) bind(c, name="strlen") result(n)
      import :: c_ptr, c_size_t
      type(c_ptr), value :: s
      integer(c_size_t) :: n
    end function c_strlen
  end interface

contains

  ! Every array null, struct_size set, length = entries of the caller's arrays.
  subroutine kelvoran_outputs_init(outputs, length)
    type(kelvoran_outputs), intent(out) :: outputs
    integer(c_int64_t), intent(in) :: length
    outputs%struct_size = c_sizeof(outputs)
    outputs%length = length
  end subroutine kelvoran_outputs_init

  subroutine kelvoran_derivatives_init(derivatives, length)
    type(kelvoran_derivatives), intent(out) :: derivatives
    integer(c_int64_t), intent(in) :: length
    derivatives%struct_size = c_sizeof(derivatives)
    derivatives%length = length
  end subroutine kelvoran_derivatives_init

  ! Every core, no progress callback, the search over 0-1000 degC and 1-5000 bar.
  subroutine kelvoran_options_init(options)
    type(kelvoran_options), intent(out) :: options
    options%struct_size = c_sizeof(options)
  end subroutine kelvoran_options_init

  ! A NUL-terminated C string as a Fortran string.
  function fortran_string(p) result(text)
    type(c_ptr), intent(in) :: p
    character(len=:), allocatable :: text
    character(kind=c_char), pointer :: chars(:)
    integer :: i, n
    if (.not. c_associated(p)) then
      text = ""
      return
    end if
    n = int(c_strlen(p))
    call c_f_pointer(p, chars, [n])
    allocate(character(len=n) :: text)
    do i = 1, n
      text(i:i) = chars(i)
    end do
  end function fortran_string

  ! Maps the property table file `path` (built by kelvoran-tabulate) into memory and checks it,
  ! into `table`, which kelvoran_table_evaluate takes and kelvoran_table_free releases. On
  ! failure `table` is c_null_ptr, the code KELVORAN_ERROR_TABLE_FILE, and `message` (where
  ! given) a sentence naming the file and saying why.
  function kelvoran_table_load(path, table, message) result(code)
    character(len=*), intent(in) :: path
    type(c_ptr), intent(out) :: table
    character(len=:), allocatable, intent(out), optional :: message
    integer(c_int32_t) :: code
    character(kind=c_char, len=len(path) + 1) :: terminated
    character(kind=c_char), target :: buffer(1024)
    buffer = c_null_char
    terminated = path // c_null_char
    code = c_table_load(terminated, table, c_loc(buffer), int(size(buffer), c_int64_t))
    if (present(message)) message = fortran_string(c_loc(buffer))
  end function kelvoran_table_load

  ! The bytes of `table` (its file's image), for a run that reads the table once and sends it
  ! to its other processes (MPI_Bcast with MPI_BYTE); `image` points into the table and is
  ! valid until the table is released.
  function kelvoran_table_bytes(table, image) result(code)
    type(c_ptr), intent(in) :: table
    integer(c_int8_t), pointer, intent(out) :: image(:)
    integer(c_int32_t) :: code
    type(c_ptr) :: bytes
    integer(c_int64_t) :: size
    nullify(image)
    code = c_table_bytes(table, bytes, size)
    if (code == KELVORAN_OK) call c_f_pointer(bytes, image, [size])
  end function kelvoran_table_bytes

  ! A table made of a copy of `image` (the bytes of kelvoran_table_bytes, or of a table file),
  ! checked as kelvoran_table_load checks a file; `image` may be released afterwards. On failure
  ! `table` is c_null_ptr, the code KELVORAN_ERROR_TABLE_FILE, and `message` (where given) a
  ! sentence saying why.
  function kelvoran_table_from_bytes(image, table, message) result(code)
    integer(c_int8_t), intent(in), target, contiguous :: image(:)
    type(c_ptr), intent(out) :: table
    character(len=:), allocatable, intent(out), optional :: message
    integer(c_int32_t) :: code
    character(kind=c_char), target :: buffer(1024)
    type(c_ptr) :: bytes
    buffer = c_null_char
    bytes = c_null_ptr
    if (size(image) > 0) bytes = c_loc(image)
    code = c_table_from_bytes(bytes, int(size(image), c_int64_t), table, c_loc(buffer), &
                              int(size(buffer), c_int64_t))
    if (present(message)) message = fortran_string(c_loc(buffer))
  end function kelvoran_table_from_bytes

  ! "MAJOR.MINOR.PATCH".
  function kelvoran_version() result(text)
    character(len=:), allocatable :: text
    text = fortran_string(c_version())
  end function kelvoran_version

  ! A sentence for a KELVORAN_OK / KELVORAN_ERROR_* code.
  function kelvoran_error_message(code) result(text)
    integer(c_int32_t), intent(in) :: code
    character(len=:), allocatable :: text
    text = fortran_string(c_error_message(code))
  end function kelvoran_error_message

  ! A sentence for a KELVORAN_POINT_* status.
  function kelvoran_point_status_message(status) result(text)
    integer(c_int32_t), intent(in) :: status
    character(len=:), allocatable :: text
    text = fortran_string(c_point_status_message(status))
  end function kelvoran_point_status_message

  ! "L", "V", "F", "V+L", "V+H", "L+H", "V+L+H", or "undetermined".
  function kelvoran_state_name(state) result(text)
    integer(c_int32_t), intent(in) :: state
    character(len=:), allocatable :: text
    text = fortran_string(c_state_name(state))
  end function kelvoran_state_name

  ! The name of warning bit `bit` (0-31), "" for a bit without a warning.
  function kelvoran_warning_name(bit) result(text)
    integer(c_int32_t), intent(in) :: bit
    character(len=:), allocatable :: text
    text = fortran_string(c_warning_name(bit))
  end function kelvoran_warning_name

end module kelvoran
