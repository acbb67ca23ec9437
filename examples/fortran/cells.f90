! Two cells of a flow simulator, given as (P, h, x): boiling pure water and a brine. Prints the
! temperature, the phase state, the saturations and dT/dh of each, from the model, or looked up
! in a (P, h, x) property table file given as the argument (built by kelvoran-tabulate, e.g.
! -P 90:260 -H 1.5e6:2.1e6 -x 0:0.05).
!
!   gfortran -c $(pkg-config --variable=fortran_module kelvoran)
!   gfortran cells.f90 kelvoran.o $(pkg-config --libs kelvoran) -o cells && ./cells [TABLE]
program cells
  use, intrinsic :: iso_c_binding, only: c_int8_t, c_int32_t, c_int64_t, c_double, c_loc, c_ptr
  use, intrinsic :: iso_fortran_env, only: error_unit
  use, intrinsic :: ieee_arithmetic, only: ieee_is_nan
  use kelvoran
  implicit none

  integer(c_int64_t), parameter :: n = 2
  character(len=*), parameter :: names(n) = [character(len=13) :: "boiling water", "brine"]
  real(c_double), parameter :: pressure_bar(n) = [100.0d0, 250.0d0]
  real(c_double), parameter :: enthalpy_j_kg(n) = [2.0d6, 1.6d6]
  real(c_double) :: composition(n)  ! mole fraction NaCl
  integer(c_int32_t), target :: status(n), state(n)
  real(c_double), target :: temperature_c(n), s_liquid(n), s_vapor(n), s_halite(n)
  real(c_double), target :: dt_dh(n)  ! K per J/kg
  type(kelvoran_outputs) :: out
  type(kelvoran_derivatives), target :: derivatives
  type(kelvoran_options), target :: options
  type(c_ptr) :: table
  integer(c_int8_t), pointer :: image(:)
  integer(c_int8_t), allocatable :: received(:)
  character(len=:), allocatable :: path, message
  integer(c_int32_t) :: code
  integer :: i, length

  composition(1) = 0.0d0
  composition(2) = kelvoran_mole_fraction_from_mass_fraction(0.10d0)  ! 10 % NaCl by mass

  call kelvoran_outputs_init(out, n)
  out%status = c_loc(status)
  out%state = c_loc(state)
  out%temperature_c = c_loc(temperature_c)
  out%liquid%saturation = c_loc(s_liquid)
  out%vapor%saturation = c_loc(s_vapor)
  out%halite%saturation = c_loc(s_halite)
  call kelvoran_derivatives_init(derivatives, n)
  derivatives%temperature%second = c_loc(dt_dh)  ! (P, h, x): the second input is h
  call kelvoran_options_init(options)
  options%threads = 1  ! the simulator runs its own threads

  if (command_argument_count() > 0) then
    ! The table is loaded once and serves every lookup (from any thread) until freed.
    call get_command_argument(1, length=length)
    allocate(character(len=length) :: path)
    call get_command_argument(1, path)
    if (kelvoran_table_load(path, table, message) /= KELVORAN_OK) then
      write(error_unit, '(a)') message
      error stop 1
    end if
    ! An MPI run reads the file on one rank and sends its bytes to the others, which make their
    ! tables of them; here one process plays both parts.
    code = kelvoran_table_bytes(table, image)
    received = image  ! the other ranks: call MPI_Bcast(received, size(received), MPI_BYTE, 0, ...)
    call kelvoran_table_free(table)
    if (kelvoran_table_from_bytes(received, table, message) /= KELVORAN_OK) then
      write(error_unit, '(a)') message
      error stop 1
    end if
    deallocate(received)
    if (kelvoran_table_variables(table) /= KELVORAN_TABLE_PHX) then
      write(error_unit, '(a)') path // ": not a (P, h, x) table"
      call kelvoran_table_free(table)
      error stop 1
    end if
    code = kelvoran_table_evaluate(table, n, pressure_bar, enthalpy_j_kg, composition, out, &
                                   c_loc(derivatives), c_loc(options))
    call kelvoran_table_free(table)
    deallocate(path, message)  ! the main program's variables are never released otherwise
  else
    code = kelvoran_evaluate_ph(n, pressure_bar, enthalpy_j_kg, composition, out, &
                                c_loc(derivatives), c_loc(options))
  end if
  if (code /= KELVORAN_OK) then
    write(error_unit, '(a)') "kelvoran: " // kelvoran_error_message(code)
    error stop 1
  end if

  write(*, '(a)') "kelvoran " // kelvoran_version()
  do i = 1, int(n)
    write(*, '(a, ": P = ", f6.1, " bar, h = ", f10.1, " J/kg, x = ", f8.6)') &
      trim(names(i)), pressure_bar(i), enthalpy_j_kg(i), composition(i)
    write(*, '("  status ", i0, " (", a, "), state ", a, ",")', advance="no") &
      status(i), kelvoran_point_status_message(status(i)), kelvoran_state_name(state(i))
    if (ieee_is_nan(temperature_c(i))) then
      write(*, '(a)') " T = n/a"
    else
      write(*, '(" T = ", f8.3, " degC")') temperature_c(i)
    end if
    write(*, '(a)', advance="no") "  saturation:"
    call print_value("liquid", s_liquid(i))
    call print_value("vapor", s_vapor(i))
    call print_value("halite", s_halite(i))
    write(*, '(a)') ""
    if (ieee_is_nan(dt_dh(i))) then
      write(*, '(a)') "  dT/dh = n/a (not differentiable here)"
    else
      write(*, '("  dT/dh = ", es13.6, " K/(J/kg)")') dt_dh(i)
    end if
  end do

contains

  ! A value, or n/a where the model gives none (NaN: the phase is absent).
  subroutine print_value(name, value)
    character(len=*), intent(in) :: name
    real(c_double), intent(in) :: value
    if (ieee_is_nan(value)) then
      write(*, '(" ", a, " n/a")', advance="no") name
    else
      write(*, '(" ", a, " ", f9.6)', advance="no") name, value
    end if
  end subroutine print_value

end program cells
