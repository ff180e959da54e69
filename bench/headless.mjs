// ./bench.sh headless: how long the headless garden takes over the gardens
// of ./bench.sh garden (24, 150 and 1,000 strokes), median of ROUNDS runs
// of the whole program, and the same for a record of one frame: its start
// (painting the pictures, the garden's start-up), which the replay's
// figure leaves out. Processor time (user and system, from GNU time)
// beside the clock's, which other work on the machine disturbs more.
// Usage: node bench/headless.mjs PROGRAM [ROUNDS]
import { spawnSync } from 'node:child_process';
import { mkdtempSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';

import { gardenOf } from './gardens.mjs';
import { writeGarden } from '../web/page/record.js';

const program = path.resolve(process.argv[2]);
const ROUNDS = Number(process.argv[3] || 5);
const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

// { clock, processor } of each run, in milliseconds.
function runTimes(file) {
  const clock = [];
  const processor = [];
  for (let round = 0; round < ROUNDS; ++round) {
    const started = process.hrtime.bigint();
    const run = spawnSync('/usr/bin/time', ['-f', 'cpu %U %S', program, file], { encoding: 'utf8' });
    clock.push(Number(process.hrtime.bigint() - started) / 1e6);
    if (run.status !== 0) throw new Error(`${program} ${file}: status ${run.status}: ${run.stderr}`);
    const [, user, system] = /cpu ([0-9.]+) ([0-9.]+)\s*$/.exec(run.stderr);
    processor.push((Number(user) + Number(system)) * 1000);
  }
  return { clock, processor };
}

const folder = mkdtempSync(path.join(tmpdir(), 'sandmere-bench-'));
try {
  const write = (name, events) => {
    const file = path.join(folder, name);
    writeFileSync(file, writeGarden(events, '0.0.0'));
    return file;
  };
  const start = runTimes(write('start.sandmere', [{ type: 'frame' }]));
  const [startClock, startProcessor] = [median(start.clock), median(start.processor)];
  console.log(
    `The headless garden's start (a record of one frame): ${startProcessor.toFixed(0)} ms of processor, ` +
      `${startClock.toFixed(0)} ms by the clock\n`,
  );
  console.log('| garden | events | processor ms (median) | replay, less the start | clock ms (median) | runs, processor ms |');
  console.log('|---|---:|---:|---:|---:|---|');
  for (const strokes of [24, 150, 1000]) {
    const events = gardenOf(strokes);
    const { clock, processor } = runTimes(write(`${strokes}.sandmere`, events));
    console.log(
      `| ${strokes} strokes | ${events.length} | ${median(processor).toFixed(0)} | ` +
        `${(median(processor) - startProcessor).toFixed(0)} | ${median(clock).toFixed(0)} | ` +
        `${processor.map((t) => t.toFixed(0)).join(', ')} |`,
    );
  }
} finally {
  rmSync(folder, { recursive: true, force: true });
}
