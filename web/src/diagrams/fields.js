// The phase fields of the diagrams and the decision tree that separates them: the tree of the
// phase-state classification written out over the module's correlations, as the Python
// diagrams do it (python/kelvoran/diagrams/_fields.py). A boundary line is where one of its
// comparisons flips; the two fields beside a traced point are read off the tree just beside it.

/** Critical temperature of water, °C. */
export const WATER_CRITICAL_TEMPERATURE_C = 373.976;
/** Critical pressure of water, bar. */
export const WATER_CRITICAL_PRESSURE_BAR = 220.54915;
/** Temperature of the triple point of NaCl, °C. */
export const SALT_TRIPLE_POINT_TEMPERATURE_C = 800.7;
/** Pressure of the triple point of NaCl, bar. */
export const SALT_TRIPLE_POINT_PRESSURE_BAR = 0.0005;

/** The fields, by index: the single fluid of states L and F is one field, "L/F". */
export const FIELDS = ['L/F', 'V', 'V+L', 'V+H', 'L+H', 'V+L+H'];
/** No field (an input is NaN). */
export const NO_FIELD = -1;
/** Field index of each phase-state code 0–7 (code 0, undetermined, has none). */
export const FIELD_OF_STATE = [NO_FIELD, 0, 1, 0, 2, 3, 4, 5];

const LF = 0, V = 1, VL = 2, VH = 3, LH = 4, VLH = 5;

/**
 * Field indices at the points (T °C, P bar, x mole fraction NaCl: Float64Arrays of one
 * length), by the decision tree of the classification: the three-phase pressure first (below
 * it vapor with or without halite), then the halite liquidus, the boiling pressure of water
 * (below 373.976 °C) or the critical pressure (from it on), then the liquid and vapor branches
 * of the vapor–liquid surface. NO_FIELD where an input is NaN.
 */
export function fieldsAt(c, T, P, x) {
  const n = T.length;
  const p3 = c.threePhasePressureBar(T);
  const haliteVapor = c.haliteSaturatedVaporComposition(T, P);
  const haliteLiquid = c.haliteLiquidusComposition(T, P);
  const subcriticalT = new Float64Array(n);
  for (let i = 0; i < n; i++) subcriticalT[i] = T[i] < WATER_CRITICAL_TEMPERATURE_C ? T[i] : NaN;
  const boiling = c.waterSaturationPressureBar(subcriticalT);
  const critical = c.criticalPressureBar(T);
  const liquidBranch = c.coexistingLiquidComposition(T, P);
  const vaporBranch = c.coexistingVaporComposition(T, P);
  const out = new Int8Array(n);
  for (let i = 0; i < n; i++) {
    if (Number.isNaN(T[i]) || Number.isNaN(P[i]) || Number.isNaN(x[i])) {
      out[i] = NO_FIELD;
    } else if (P[i] <= p3[i]) {
      // On the curve itself: V+L+H where x exceeds the vapor's composition.
      out[i] = x[i] > haliteVapor[i] ? (P[i] === p3[i] ? VLH : VH) : V;
    } else if (x[i] > haliteLiquid[i]) {
      out[i] = LH;
    } else {
      const fluid = T[i] < WATER_CRITICAL_TEMPERATURE_C ? boiling[i] < P[i] : P[i] >= critical[i];
      if (fluid || x[i] >= liquidBranch[i]) out[i] = LF;
      else out[i] = x[i] <= vaporBranch[i] ? V : VL;
    }
  }
  return out;
}
