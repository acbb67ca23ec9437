/* Two cells of a flow simulator, given as (P, h, x): boiling pure water and a brine. Prints
 * the temperature, the phase state, the saturations and dT/dh of each, from the model, or
 * looked up in a (P, h, x) property table file given as the argument (built by
 * kelvoran-tabulate, e.g. -P 90:260 -H 1.5e6:2.1e6 -x 0:0.05).
 *
 *   cc -std=c99 cells.c $(pkg-config --cflags --libs kelvoran) -o cells && ./cells [TABLE]
 */
#include <kelvoran/kelvoran.h>
#include <math.h>
#include <stdio.h>

#define CELLS 2

/* A value, or n/a where the model gives none (NaN: the phase is absent). */
static void print_value(const char* name, double value) {
    if (isnan(value)) {
        printf(" %s n/a", name);
    } else {
        printf(" %s %9.6f", name, value);
    }
}

int main(int argc, char** argv) {
    const char* names[CELLS] = {"boiling water", "brine"};
    const double pressure_bar[CELLS] = {100.0, 250.0};
    const double enthalpy_j_kg[CELLS] = {2.0e6, 1.6e6};
    double composition[CELLS]; /* mole fraction NaCl */
    int32_t status[CELLS], state[CELLS];
    double temperature_c[CELLS], s_liquid[CELLS], s_vapor[CELLS], s_halite[CELLS];
    double dt_dh[CELLS]; /* K per J/kg */
    kelvoran_outputs out;
    kelvoran_derivatives derivatives;
    kelvoran_options options;
    kelvoran_table* table = NULL;
    int32_t code;
    int i;

    composition[0] = 0.0;
    composition[1] = kelvoran_mole_fraction_from_mass_fraction(0.10); /* 10 % NaCl by mass */

    kelvoran_outputs_init(&out, CELLS);
    out.status = status;
    out.state = state;
    out.temperature_c = temperature_c;
    out.liquid.saturation = s_liquid;
    out.vapor.saturation = s_vapor;
    out.halite.saturation = s_halite;
    kelvoran_derivatives_init(&derivatives, CELLS);
    derivatives.temperature.second = dt_dh; /* (P, h, x): the second input is h */
    kelvoran_options_init(&options);
    options.threads = 1; /* the simulator runs its own threads */

    if (argc > 1) {
        /* The table is loaded once and serves every lookup (from any thread) until freed. */
        char message[512];
        if (kelvoran_table_load(argv[1], &table, message, sizeof message) != KELVORAN_OK) {
            fprintf(stderr, "%s\n", message);
            return 1;
        }
        if (kelvoran_table_variables(table) != KELVORAN_TABLE_PHX) {
            fprintf(stderr, "%s: not a (P, h, x) table\n", argv[1]);
            kelvoran_table_free(table);
            return 1;
        }
        code = kelvoran_table_evaluate(table, CELLS, pressure_bar, enthalpy_j_kg, composition, &out,
                                       &derivatives, &options);
        kelvoran_table_free(table);
    } else {
        code = kelvoran_evaluate_ph(CELLS, pressure_bar, enthalpy_j_kg, composition, &out,
                                    &derivatives, &options);
    }
    if (code != KELVORAN_OK) {
        fprintf(stderr, "kelvoran: %s\n", kelvoran_error_message(code));
        return 1;
    }

    printf("kelvoran %s\n", kelvoran_version());
    for (i = 0; i < CELLS; ++i) {
        printf("%s: P = %6.1f bar, h = %10.1f J/kg, x = %8.6f\n", names[i], pressure_bar[i],
               enthalpy_j_kg[i], composition[i]);
        printf("  status %d (%s), state %s,", (int)status[i],
               kelvoran_point_status_message(status[i]), kelvoran_state_name(state[i]));
        if (isnan(temperature_c[i])) {
            printf(" T = n/a\n");
        } else {
            printf(" T = %8.3f degC\n", temperature_c[i]);
        }
        printf("  saturation:");
        print_value("liquid", s_liquid[i]);
        print_value("vapor", s_vapor[i]);
        print_value("halite", s_halite[i]);
        printf("\n");
        if (isnan(dt_dh[i])) {
            printf("  dT/dh = n/a (not differentiable here)\n");
        } else {
            printf("  dT/dh = %13.6E K/(J/kg)\n", dt_dh[i]);
        }
    }
    return 0;
}
