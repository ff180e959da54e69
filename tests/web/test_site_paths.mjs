// The site names no folder of the machine that built it: not the source
// folder, not the build folder, not Emscripten's own folders nor the
// builder's home, in any file it ships (the WebAssembly's assertion
// messages carry their source file's name).
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { existsSync, readdirSync, readFileSync } from 'node:fs';
import { homedir } from 'node:os';
import path from 'node:path';
import { test } from 'node:test';

import { repo, site } from './harness.mjs';

if (!existsSync(path.join(site, 'index.html'))) {
  console.log(`Skipped: the site ${site} is not built (cmake --workflow --preset web makes it)`);
  process.exit(77);
}

function emscriptenFolders() {
  try {
    return ['EMSCRIPTEN_ROOT', 'CACHE'].map((key) => execFileSync('em-config', [key], { encoding: 'utf8' }).trim());
  } catch {
    return [];
  }
}

function filesUnder(folder) {
  return readdirSync(folder, { withFileTypes: true }).flatMap((entry) => {
    const file = path.join(folder, entry.name);
    return entry.isDirectory() ? filesUnder(file) : [file];
  });
}

test('no shipped file holds a folder of the build machine', () => {
  const folders = [repo, path.dirname(site), ...emscriptenFolders(), homedir()]
    .filter((folder) => folder && folder !== '/')
    .map((folder) => path.resolve(folder) + '/');
  const found = [];
  for (const file of filesUnder(site)) {
    const bytes = readFileSync(file);
    for (const folder of new Set(folders)) {
      const at = bytes.indexOf(folder);
      if (at >= 0) found.push(`${path.relative(site, file)}: ${bytes.toString('latin1', at, at + folder.length + 40)}`);
    }
  }
  assert.deepEqual(found, [], `paths of the build machine in the site:\n${found.join('\n')}`);
});
