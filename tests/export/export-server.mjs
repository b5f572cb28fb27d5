// Serves exported pages the way the programs that show them do, on 127.0.0.1 only: a page put under a
// name, next to the build folder's Libraries/ and Fonts/ (beside the program) and the repository's Images/.
// A "pb" page's "localhost:56789" addresses are rewritten to this server, as the loader and the preview
// rewrite them to their own port. Anything else put (a sound, an image) is served with the type of its name.
//
//   const server = await startExportServer();
//   const url = server.put('basic-pb.html', html, { rewrite: true });   // its address
//   server.put('tone.wav', buffer)
//   server.requests (every path asked for, with its status), await server.close()
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';

import { repo } from '../page/jsdom-page.mjs';
import { defaultBuildDir } from '../page/page-server.mjs';

const TYPES = {
  '.html': 'text/html; charset=utf-8', '.js': 'text/javascript; charset=utf-8', '.css': 'text/css; charset=utf-8',
  '.json': 'application/json; charset=utf-8', '.png': 'image/png', '.svg': 'image/svg+xml', '.woff2': 'font/woff2',
  '.wav': 'audio/wav',
};

export async function startExportServer({ buildDir = defaultBuildDir } = {}) {
  const pages = new Map();
  const requests = [];
  const server = http.createServer((req, res) => {
    const { pathname } = new URL(req.url, 'http://127.0.0.1');
    const rel = decodeURIComponent(pathname).replace(/^\/+/, '');
    const reply = (status, body, type) => {
      requests.push({ path: pathname, status });
      res.writeHead(status, { 'Content-Type': type ?? 'text/plain', 'Cache-Control': 'no-store' }).end(body);
    };
    if (pages.has(rel)) return reply(200, pages.get(rel), TYPES[path.extname(rel).toLowerCase()] ?? TYPES['.html']);
    const [top] = rel.split('/');
    let file = null;
    if (!rel.split('/').includes('..')) {
      if (top === 'Libraries' || top === 'Fonts') file = path.join(buildDir, rel);
      else if (top === 'Images') file = path.join(repo, rel);
    }
    if (!file || !fs.existsSync(file) || !fs.statSync(file).isFile()) return reply(404, '');
    return reply(200, fs.readFileSync(file), TYPES[path.extname(file).toLowerCase()] ?? 'application/octet-stream');
  });
  await new Promise((r) => server.listen(0, '127.0.0.1', r));
  const { port } = server.address();
  const origin = `http://127.0.0.1:${port}`;
  return {
    origin,
    requests,
    put(name, html, { rewrite = false } = {}) {
      pages.set(name, rewrite ? html.replaceAll('localhost:56789', `127.0.0.1:${port}`) : html);
      return `${origin}/${name}`;
    },
    close: () => new Promise((r) => { server.closeAllConnections?.(); server.close(r); }),
  };
}
