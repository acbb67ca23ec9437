// A static file server for the site, as any static host would serve it (GET and HEAD of the
// files under one folder, nothing else), on 127.0.0.1: for the browser test and for trying the
// site locally:  node web/test/server.mjs web/dist 8080
import { createReadStream, promises as fs } from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const TYPES = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.css': 'text/css; charset=utf-8',
  '.wasm': 'application/wasm',
  '.svg': 'image/svg+xml',
  '.png': 'image/png',
  '.csv': 'text/csv; charset=utf-8',
  '.json': 'application/json',
};

/** Serves `root` on 127.0.0.1 at `port` (0: any free one); resolves to {server, url}. */
export function serve(root, port = 0) {
  const base = path.resolve(root);
  const server = http.createServer(async (request, response) => {
    if (request.method !== 'GET' && request.method !== 'HEAD') {
      response.writeHead(405).end();
      return;
    }
    const name = decodeURIComponent(new URL(request.url, 'http://localhost').pathname);
    let file = path.join(base, name);
    if (!file.startsWith(base)) {
      response.writeHead(403).end();
      return;
    }
    try {
      if ((await fs.stat(file)).isDirectory()) file = path.join(file, 'index.html');
      const stat = await fs.stat(file);
      response.writeHead(200, {
        'Content-Type': TYPES[path.extname(file)] || 'application/octet-stream',
        'Content-Length': stat.size,
        'Cache-Control': 'no-cache',
      });
      if (request.method === 'HEAD') response.end();
      else createReadStream(file).pipe(response);
    } catch {
      response.writeHead(404, { 'Content-Type': 'text/plain' }).end('not found');
    }
  });
  return new Promise((resolve) => {
    server.listen(port, '127.0.0.1', () => resolve({ server, url: `http://127.0.0.1:${server.address().port}/` }));
  });
}

if (process.argv[1] === fileURLToPath(import.meta.url)) {
  const [root = 'web/dist', port = '8080'] = process.argv.slice(2);
  const { url } = await serve(root, Number(port));
  console.log(`serving ${root} at ${url}`);
}
