// Finds an executable program on PATH, as the shell would. Node built-ins only.
import fs from 'node:fs';
import path from 'node:path';

// Absolute path of `name` on PATH, or null.
export function findProgram(name) {
  for (const dir of (process.env.PATH ?? '/usr/bin').split(':')) {
    const file = path.join(dir || '.', name);
    try {
      fs.accessSync(file, fs.constants.X_OK);
      return file;
    } catch { /* next */ }
  }
  return null;
}
