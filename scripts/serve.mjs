// A static file server for the browser build, with no dependencies: serves
// one folder on 127.0.0.1, as any static web host would.
//
//   node scripts/serve.mjs FOLDER [PORT]
//
// PORT 0 (the default) takes a free port. Prints the address once it
// listens. The tests import serveFolder() and run it in their own process.
import { createReadStream, promises as fs } from 'node:fs';
import { createServer } from 'node:http';
import path from 'node:path';
import { pathToFileURL } from 'node:url';

// WebAssembly must come as application/wasm to be compiled while it
// streams in; the manifest as application/manifest+json to be installable.
const TYPES = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.mjs': 'text/javascript; charset=utf-8',
  '.css': 'text/css; charset=utf-8',
  '.json': 'application/json',
  '.webmanifest': 'application/manifest+json',
  '.wasm': 'application/wasm',
  '.png': 'image/png',
  '.svg': 'image/svg+xml',
  '.ico': 'image/x-icon',
  '.bmp': 'image/bmp',
  '.jpg': 'image/jpeg',
  '.txt': 'text/plain; charset=utf-8',
};

export function contentTypeOf(file) {
  return TYPES[path.extname(file).toLowerCase()] ?? 'application/octet-stream';
}

// The file a request names inside root, or null when it names none: the
// path is decoded and resolved, and anything that leaves root is refused.
async function fileFor(root, url) {
  let name;
  try {
    // The request's path alone: a query or a fragment names no file.
    name = decodeURIComponent(url.split(/[?#]/, 1)[0]);
  } catch {
    return null;
  }
  if (name.includes('\0')) return null;
  let file = path.resolve(root, '.' + name);
  if (file !== root && !file.startsWith(root + path.sep)) return null;
  try {
    let stat = await fs.stat(file);
    if (stat.isDirectory()) {
      file = path.join(file, 'index.html');
      stat = await fs.stat(file);
    }
    return stat.isFile() ? { file, size: stat.size } : null;
  } catch {
    return null;
  }
}

// Resolves to { server, url } once the server listens. `overlay` maps
// file names (as in the folder, 'index.html' for the folder itself) to
// bytes served in their place or beside them: a test's own version of a
// page.
export function serveFolder(folder, port = 0, overlay = {}) {
  const root = path.resolve(folder);
  const server = createServer(async (request, response) => {
    if (request.method !== 'GET' && request.method !== 'HEAD') {
      response.writeHead(405, { Allow: 'GET, HEAD' }).end();
      return;
    }
    const name = request.url.split(/[?#]/, 1)[0].slice(1) || 'index.html';
    if (Object.hasOwn(overlay, name)) {
      response.writeHead(200, { 'Content-Type': contentTypeOf(name), 'Cache-Control': 'no-cache' });
      response.end(request.method === 'HEAD' ? undefined : overlay[name]);
      return;
    }
    const found = await fileFor(root, request.url);
    if (!found) {
      response.writeHead(404, { 'Content-Type': 'text/plain; charset=utf-8' }).end('not found\n');
      return;
    }
    // no-cache: the browser may keep a copy but asks again each time, so a
    // rebuilt site is seen at once; the service worker keeps its own cache.
    response.writeHead(200, {
      'Content-Type': contentTypeOf(found.file),
      'Content-Length': found.size,
      'Cache-Control': 'no-cache',
      'X-Content-Type-Options': 'nosniff',
    });
    if (request.method === 'HEAD') {
      response.end();
      return;
    }
    createReadStream(found.file).on('error', () => response.destroy()).pipe(response);
  });
  return new Promise((resolve, reject) => {
    server.once('error', reject);
    server.listen(port, '127.0.0.1', () => {
      server.off('error', reject);
      resolve({ server, url: `http://127.0.0.1:${server.address().port}/` });
    });
  });
}

if (process.argv[1] && import.meta.url === pathToFileURL(path.resolve(process.argv[1])).href) {
  const [folder, port = '0'] = process.argv.slice(2);
  if (!folder) {
    console.error('usage: node scripts/serve.mjs FOLDER [PORT]');
    process.exit(2);
  }
  try {
    if (!(await fs.stat(folder)).isDirectory()) throw new Error('not a folder');
  } catch {
    console.error(`serve: ${folder} is not a folder`);
    process.exit(1);
  }
  try {
    const { url } = await serveFolder(folder, Number(port));
    console.log(`Serving ${path.resolve(folder)} on ${url}`);
  } catch (error) {
    console.error(`serve: cannot listen on 127.0.0.1:${port}: ${error.message}`);
    process.exit(1);
  }
}
