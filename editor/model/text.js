// Text helpers shared by every page subsystem.
// Provides: escapeHtml, encodeUrl

// Escapes text for an HTML text node or a quoted attribute. The order matters: "&" first, so the
// entities written by the later steps are not escaped twice.
function escapeHtml(text) {
  if (text === null || text === undefined) return '';
  return String(text)
    .replace(/&/g, '&amp;')
    .replace(/</g, '&lt;')
    .replace(/>/g, '&gt;')
    .replace(/"/g, '&quot;')
    .replace(/'/g, '&#039;');
}

// Media paths are relative project paths with blanks; only the blanks are encoded, so that paths
// already holding "%" escapes or "#" fragments pass through as the user wrote them.
function encodeUrl(text) {
  if (text === null || text === undefined || text === '') return '';
  return String(text).replace(/ /g, '%20');
}
