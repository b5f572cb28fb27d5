// A fresh, private home for one test run of a real program: HOME with the XDG folders inside it, a 0700
// runtime folder, and a documents folder named in user-dirs.dirs, so the program under test reads and writes
// nowhere else. Node built-ins only.
//
//   const t = makeTempEnv();   // t.env: HOME, XDG_CONFIG_HOME, XDG_DATA_HOME, XDG_CACHE_HOME,
//                              //        XDG_STATE_HOME, XDG_RUNTIME_DIR, WEBKIT_SKIA_ENABLE_CPU_RENDERING
//   ...                        // t.root, t.home, t.documents are absolute paths
//   t.cleanup();               // removes everything; safe to call twice
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

export function makeTempEnv({ prefix = 'quorlin-test-' } = {}) {
  const root = fs.mkdtempSync(path.join(os.tmpdir(), prefix));
  const home = path.join(root, 'home');
  const env = {
    HOME: home,
    XDG_CONFIG_HOME: path.join(home, '.config'),
    XDG_DATA_HOME: path.join(home, '.local', 'share'),
    XDG_CACHE_HOME: path.join(home, '.cache'),
    XDG_STATE_HOME: path.join(home, '.local', 'state'),
    XDG_RUNTIME_DIR: path.join(root, 'runtime'),
    // Painted by the processor: under Xvfb WebKit's graphics painting runs on Mesa's software rasterizer,
    // which now and then crashed the web process while a large page was drawn.
    WEBKIT_SKIA_ENABLE_CPU_RENDERING: '1',
  };
  const documents = path.join(home, 'Documents');
  for (const dir of [home, env.XDG_CONFIG_HOME, env.XDG_DATA_HOME, env.XDG_CACHE_HOME, env.XDG_STATE_HOME, documents])
    fs.mkdirSync(dir, { recursive: true, mode: 0o700 });
  fs.mkdirSync(env.XDG_RUNTIME_DIR, { mode: 0o700 });
  fs.chmodSync(env.XDG_RUNTIME_DIR, 0o700); // the umask may have narrowed it; the runtime folder must be exactly 0700
  // GLib reads the documents folder from here (g_get_user_special_dir); without it the answer depends on the machine.
  fs.writeFileSync(path.join(env.XDG_CONFIG_HOME, 'user-dirs.dirs'), 'XDG_DOCUMENTS_DIR="$HOME/Documents"\n');
  return {
    root,
    home,
    documents,
    env,
    cleanup() {
      fs.rmSync(root, { recursive: true, force: true });
    },
  };
}
