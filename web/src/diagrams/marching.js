// Marching squares over a grid of values, for the course of the implicit lines of an isopleth:
// each line is returned as the sequence of grid edges it crosses, in order (a closed line
// repeats its first edge at the end). A cell with a NaN corner is left out, and a cell whose
// corners alternate in sign is resolved by the mean of its corners.

/**
 * The zero lines of z over an nT × nP grid, z[i * nP + j] the value at temperature index i and
 * pressure index j. Each line is an array of edges {onT, i, j}: onT true for the edge of
 * constant temperature i between pressures j and j + 1, false for the edge of constant
 * pressure j between temperatures i and i + 1.
 */
export function contourLines(z, nT, nP) {
  const above = (i, j) => z[i * nP + j] > 0;
  const edgeId = (onT, i, j) => 2 * (i * nP + j) + (onT ? 0 : 1);
  const edgeOf = (id) => {
    const k = id >> 1;
    return { onT: (id & 1) === 0, i: Math.floor(k / nP), j: k % nP };
  };
  const segments = []; // pairs of edge ids
  for (let i = 0; i + 1 < nT; i++) {
    for (let j = 0; j + 1 < nP; j++) {
      const a = z[i * nP + j], b = z[(i + 1) * nP + j], c = z[(i + 1) * nP + j + 1], d = z[i * nP + j + 1];
      if (Number.isNaN(a) || Number.isNaN(b) || Number.isNaN(c) || Number.isNaN(d)) continue;
      const sa = above(i, j), sb = above(i + 1, j), sc = above(i + 1, j + 1), sd = above(i, j + 1);
      const bottom = edgeId(false, i, j), right = edgeId(true, i + 1, j);
      const top = edgeId(false, i, j + 1), left = edgeId(true, i, j);
      const crossed = [];
      if (sa !== sb) crossed.push(bottom);
      if (sb !== sc) crossed.push(right);
      if (sc !== sd) crossed.push(top);
      if (sd !== sa) crossed.push(left);
      if (crossed.length === 2) {
        segments.push(crossed);
      } else if (crossed.length === 4) {
        const centreAbove = (a + b + c + d) / 4 > 0;
        if (centreAbove === sa) {
          // a and c joined through the centre: the lines cut off the corners b and d.
          segments.push([bottom, right], [top, left]);
        } else {
          segments.push([bottom, left], [right, top]);
        }
      }
    }
  }
  const byEdge = new Map();
  segments.forEach((s, k) => {
    for (const e of s) {
      if (!byEdge.has(e)) byEdge.set(e, []);
      byEdge.get(e).push(k);
    }
  });
  const used = new Uint8Array(segments.length);
  const lines = [];
  const follow = (startSegment, startEdge) => {
    const ids = [startEdge];
    let segment = startSegment, edge = startEdge;
    while (segment !== -1 && !used[segment]) {
      used[segment] = 1;
      const [e0, e1] = segments[segment];
      edge = e0 === edge ? e1 : e0;
      ids.push(edge);
      const next = byEdge.get(edge).find((k) => k !== segment && !used[k]);
      segment = next === undefined ? -1 : next;
    }
    lines.push(ids.map(edgeOf));
  };
  // Open lines first, from an end (an edge of one segment only), then the closed ones.
  for (const [edge, list] of byEdge) {
    if (list.length === 1 && !used[list[0]]) follow(list[0], edge);
  }
  segments.forEach((s, k) => {
    if (!used[k]) follow(k, s[0]);
  });
  return lines;
}
