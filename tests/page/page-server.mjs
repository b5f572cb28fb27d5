// A small stand-in for the host's file serving, for browser tests of the editor page: "/" is the skeleton,
// "/editor/<path>" the page's files (those made at build time from the build folder's generated/), "/Locale/" and "/Images/" come from the repository, "/Internal_lib/" and
// "/Fonts/" from the build folder (as the host serves them beside the program). Only 127.0.0.1.
//
//   const server = await startPageServer({ buildDir, missing });   // paths in `missing` answer 404, as a tree without them
//   server.origin ("http://127.0.0.1:PORT"), server.requests (every method + path asked for), await server.close()
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';

import { repo } from './jsdom-page.mjs';

export const defaultBuildDir = process.env.QUORLIN_BUILD_DIR ?? path.join(repo, 'build');

const TYPES = {
  '.html': 'text/html; charset=utf-8', '.js': 'text/javascript; charset=utf-8', '.css': 'text/css; charset=utf-8',
  '.json': 'application/json; charset=utf-8', '.png': 'image/png', '.svg': 'image/svg+xml', '.woff2': 'font/woff2',
  '.woff': 'font/woff', '.ttf': 'font/ttf', '.eot': 'application/vnd.ms-fontobject',
};

// The file a path names, or null.
function resolve(pathname, buildDir) {
  const rel = decodeURIComponent(pathname).replace(/^\/+/, '');
  if (rel.split('/').includes('..')) return null;
  if (rel === '') return path.join(repo, 'editor/shell/index.html');
  const [top] = rel.split('/');
  // Page files made at build time (the frame's utility-class style sheet) come from the build folder.
  if (top === 'editor' && !fs.existsSync(path.join(repo, rel))) return path.join(buildDir, 'generated', rel);
  if (top === 'editor' || top === 'Locale' || top === 'Images') return path.join(repo, rel);
  if (top === 'Internal_lib' || top === 'Libraries' || top === 'Fonts') return path.join(buildDir, rel);
  return null;
}

export function buildHasLibraries(buildDir = defaultBuildDir) {
  return fs.existsSync(path.join(buildDir, 'Internal_lib', 'tailwind.min.js'));
}

export async function startPageServer({ buildDir = defaultBuildDir, missing = [] } = {}) {
  const requests = [];
  const server = http.createServer((req, res) => {
    const { pathname } = new URL(req.url, 'http://127.0.0.1');
    requests.push(`${req.method} ${pathname}`);
    const file = resolve(pathname, buildDir);
    if (req.method !== 'GET' && req.method !== 'HEAD') {
      res.writeHead(405, { Allow: 'GET, HEAD' }).end();
      return;
    }
    if (!file || missing.includes(pathname) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
      res.writeHead(404).end();
      return;
    }
    const body = fs.readFileSync(file);
    res.writeHead(200, {
      'Content-Type': TYPES[path.extname(file).toLowerCase()] ?? 'application/octet-stream',
      'Content-Length': body.length,
      'Cache-Control': 'no-store',
    });
    res.end(req.method === 'HEAD' ? undefined : body);
  });
  await new Promise((r) => server.listen(0, '127.0.0.1', r));
  const { port } = server.address();
  return {
    origin: `http://127.0.0.1:${port}`,
    port,
    requests,
    close: () => new Promise((r) => { server.closeAllConnections?.(); server.close(r); }),
  };
}
