// The gardens the benchmarks replay: each stroke a press, 30 motions with
// a frame after each (as a quick hand on a phone makes them) and a
// release, the rake changed every eight strokes, and the 3-D view at the
// end.
const RAKES_MENU = 1;
const MOTIONS = 30;

export function gardenOf(strokes) {
  const events = [{ type: 'frame' }];
  for (let s = 0; s < strokes; ++s) {
    if (s % 8 === 0) events.push({ type: 'menu', menu: RAKES_MENU, value: 1 + ((s / 8) % 3) });
    const y0 = 20 + ((s * 37) % 560);
    let [x, y] = [20 + ((s * 53) % 80), y0];
    events.push({ type: 'mouse', button: 0, state: 0, x, y }, { type: 'frame' });
    for (let m = 0; m < MOTIONS; ++m) {
      x += 17;
      y = Math.round(y0 + 12 * Math.sin((m + s) / 3));
      events.push({ type: 'motion', x, y }, { type: 'frame' });
    }
    events.push({ type: 'mouse', button: 0, state: 1, x, y });
  }
  events.push({ type: 'key', key: 'i'.charCodeAt(0) }, { type: 'frame' });
  return events;
}
