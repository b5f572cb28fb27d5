// Reads a standalone program the way the loader does, independently of the page's writer:
//   readProgram(buffer) -> {offset, length, meta (text), html, resources: [{name, data (Buffer), dataOffset}]}
// dataOffset counts from the start of the container. Asserts the footer and that nothing lies between
// the last entry and the footer.
import assert from 'node:assert/strict';

export function readProgram(file) {
  const size = file.length;
  assert.equal(file.subarray(size - 24, size - 16).toString('latin1'), 'QORLNPAK');
  const offset = Number(file.readBigUInt64LE(size - 16));
  const length = Number(file.readBigUInt64LE(size - 8));
  assert.equal(offset + length, size - 24);
  let at = offset;
  const u32 = () => { const n = file.readUInt32LE(at); at += 4; return n; };
  const take = (n) => { const b = file.subarray(at, at + n); at += n; return b; };
  const meta = take(u32()).toString('utf8');
  const html = take(u32()).toString('utf8');
  const count = u32();
  const resources = [];
  for (let i = 0; i < count; i++) {
    const nameLen = file.readUInt16LE(at); at += 2;
    const name = take(nameLen).toString('utf8');
    const dataLen = u32();
    const dataOffset = at - offset;
    resources.push({ name, data: Buffer.from(take(dataLen)), dataOffset });
  }
  assert.equal(at, size - 24, 'nothing between the last entry and the footer');
  return { offset, length, meta, html, resources };
}
