// The compressed-page wrapper: a whole page packed into a small HTML document that unpacks itself in the
// browser (raw deflate, Base64 in pieces of 100 characters). The generated source module carries its
// page in this form. The wrapper names the editor's address twice: `_p` as the plain text
// "localhost:56789", which a host that serves the file with its own address rewrites along with
// everything else, and `_q` built from two pieces, which no such rewrite touches; once unpacked, every
// `_q` in the page becomes `_p`, so the page's own addresses follow the host's rewrite.
// Provides: obfuscateHtml, _qrlBase64, _qrlDeflateRaw
// Needs: nothing

// Bytes -> standard Base64 (with "=" padding), in slices so large pages stay within call limits.
function _qrlBase64(bytes) {
  let text = '';
  for (let i = 0; i < bytes.length; i += 0x8000) text += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
  return btoa(text);
}

// Text -> its UTF-8 bytes compressed with raw deflate (no zlib or gzip header).
async function _qrlDeflateRaw(text) {
  const stream = new Response(new TextEncoder().encode(String(text))).body.pipeThrough(new CompressionStream('deflate-raw'));
  return new Uint8Array(await new Response(stream).arrayBuffer());
}

async function obfuscateHtml(html) {
  const packed = _qrlBase64(await _qrlDeflateRaw(html));
  const pieces = [];
  for (let i = 0; i < packed.length; i += 100) pieces.push('"' + packed.slice(i, i + 100) + '"');
  return '<!DOCTYPE html>\n<html>\n<head><meta charset="utf-8"></head>\n<body>\n<script>\n(function () {\n' +
    'var _p = "localhost:56789";\n' +
    'var _q = "localhost:" + "56789";\n' +
    'var _b = ' + (pieces.length ? pieces.join('+\n') : '""') + ';\n' +
    'var _u = Uint8Array.from(atob(_b), function (c) { return c.charCodeAt(0); });\n' +
    'new Response(new Response(_u).body.pipeThrough(new DecompressionStream("deflate-raw"))).text().then(function (_t) {\n' +
    '_t = _t.split(_q).join(_p);\n' +
    'document.open("text/html", "replace");\n' +
    'document.write(_t);\n' +
    'document.close();\n' +
    '});\n' +
    '})();\n</script>\n</body>\n</html>\n';
}
