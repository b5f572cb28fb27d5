// The configuration records that table, chart and media-player markup carry as JSON attributes; the
// table and chart runtimes and the exported player read them back. Bad JSON in a record never stops a
// render: each part falls back to its default.
// Provides: _gridConfig, _chartConfig, _plyrConfig, _selectItems, _selectedIndex, CHART_PALETTE,
//   AUDIO_EXTENSIONS, _isAudioSource
// Needs: _qlNum, gridLocales, resolveColor
// Calls: getActiveTheme, I18n

function _parseJson(text, fallback) {
  if (text && typeof text === 'object') return text;
  if (typeof text !== 'string' || !text.trim()) return fallback;
  try {
    const v = JSON.parse(text);
    return v === null || v === undefined ? fallback : v;
  } catch (e) {
    return fallback;
  }
}

function _gridConfig(el, forExport) {
  let columns = _parseJson(el.columns, null);
  if (!Array.isArray(columns) || !columns.length) {
    columns = [{ name: 'Col 1', align: 'left', sortable: true, filterable: true }];
  }
  let features = _parseJson(el.tableFeatures, {});
  if (!features || typeof features !== 'object' || Array.isArray(features)) features = {};
  const col = function (c) {
    const name = String(c && c.name !== undefined ? c.name : '');
    const out = {
      id: name.toLowerCase().replace(/\s+/g, '_'), name: name,
      sort: features.sort !== false && !!(c && c.sortable), filter: !(c && c.filterable === false),
    };
    if (c && c.width) out.width = String(c.width);
    if (c && c.align && c.align !== 'left') out.style = { 'text-align': String(c.align) };
    return out;
  };
  const data = String(el.tableData || '').split('\n').filter(function (l) { return l.trim() !== ''; })
    .map(function (l) { return l.split('|').map(function (cell) { return cell.trim(); }); });
  const c = function (field, dflt) { return resolveColor(el[field], forExport) || dflt; };
  const lang = typeof I18n !== 'undefined' && I18n.lang ? I18n.lang : 'es';
  const locales = typeof gridLocales !== 'undefined' ? gridLocales : {};
  return {
    columns: columns.map(col), data: data, features: features,
    colors: {
      tHdrBg: c('tableHeaderBg', 'var(--th-surface)'), tHdrText: c('tableHeaderText', 'var(--th-text1)'),
      tBodyBg: c('tableBodyBg', 'transparent'), tBodyText: c('tableBodyText', 'var(--th-text1)'),
      tBorder: c('borderColor', 'var(--th-border)'), tPaginationBg: c('tablePaginationBg', 'var(--th-bg-panel)'),
      tRowHover: c('tableRowHoverBg', ''), tRowSelected: c('tableRowSelectedBg', ''),
      tRowHoverText: c('tableRowHoverText', ''), tRowSelectedText: c('tableRowSelectedText', ''),
    },
    rowHeight: features.rowHeight || '',
    language: locales[lang] || locales.es || {},
    borderRadius: el.borderRadius || 'rounded-lg',
    borderRadiusCustomTL: el.borderRadiusCustomTL || '', borderRadiusCustomTR: el.borderRadiusCustomTR || '',
    borderRadiusCustomBR: el.borderRadiusCustomBR || '', borderRadiusCustomBL: el.borderRadiusCustomBL || '',
  };
}

var CHART_PALETTE = Object.freeze(['#3b82f6', '#ef4444', '#10b981', '#f59e0b', '#8b5cf6', '#ec4899', '#06b6d4',
  '#84cc16', '#f97316', '#6366f1', '#14b8a6', '#f43f5e']);

// Chart colours are always plain colours, also in exported pages: the chart runtime paints on a canvas.
function _chartConfig(el) {
  const type = el.chartType || 'bar';
  let raw = _parseJson(el.chartData, null);
  if (!raw || typeof raw !== 'object' || Array.isArray(raw)) raw = { labels: [], datasets: [] };
  const theme = typeof getActiveTheme === 'function' ? getActiveTheme() : {};
  const labels = Array.isArray(raw.labels) ? raw.labels : [];
  const labelColors = Array.isArray(raw.labelColors) ? raw.labelColors : [];
  const perValue = type === 'doughnut' || type === 'pie' || (type === 'bar' && !raw.colorBySeries);
  const datasets = (Array.isArray(raw.datasets) ? raw.datasets : []).filter(function (d) { return d && typeof d === 'object'; })
    .map(function (d) {
      const values = Array.isArray(d.data) ? d.data : [];
      const out = Object.assign({}, d);
      out.borderWidth = raw.borderless ? 0 : _qlNum(d.borderWidth, 2);
      out.borderColor = resolveColor(d.borderColor) || theme.accentSecondary || '#4f46e5';
      if (perValue) {
        out.backgroundColor = values.map(function (v, i) {
          return resolveColor(labelColors[i]) || CHART_PALETTE[i % CHART_PALETTE.length];
        });
      } else {
        out.backgroundColor = resolveColor(d.bgColor) || theme.accentPrimary || '#4f46e5';
      }
      if (type === 'line') { out.tension = raw.lineSmooth ? 0.4 : 0; out.fill = !!raw.fillArea; }
      return out;
    });
  const data = { labels: labels, datasets: datasets };
  ['labelColors', 'colorBySeries', 'borderless', 'cutout', 'lineSmooth', 'fillArea', 'animate'].forEach(function (k) {
    if (raw[k] !== undefined) data[k] = raw[k];
  });
  const tc = resolveColor(el.textColor) || theme.textPrimary || '#ffffff';
  let options = { responsive: true, maintainAspectRatio: false, color: tc,
    scales: { x: { ticks: { color: tc } }, y: { ticks: { color: tc } } } };
  const extra = _parseJson(el.chartOptions, null);
  if (extra && typeof extra === 'object' && !Array.isArray(extra)) options = Object.assign(options, extra);
  if (raw.showXAxis === false || el.showXAxis === false) options.scales = Object.assign({}, options.scales, { x: { display: false } });
  if (raw.showYAxis === false || el.showYAxis === false) options.scales = Object.assign({}, options.scales, { y: { display: false } });
  if (el.chartOrientation === 'horizontal') options.indexAxis = 'y';
  const cut = Number(raw.cutout);
  if ((type === 'doughnut' || type === 'pie') && raw.cutout !== undefined && raw.cutout !== '' && Number.isFinite(cut)) {
    const n = datasets.length;
    options.cutout = (n <= 1 ? cut : Math.max(0, 100 - n * cut)) + '%';
  }
  if (raw.animate === false) options.animation = false;
  return { type: type, data: data, options: options };
}

function _plyrConfig(el) {
  const controls = Array.isArray(el.plyrControls) && el.plyrControls.length ? el.plyrControls
    : ['play-large', 'restart', 'rewind', 'fast-forward', 'play', 'progress', 'current-time', 'duration', 'mute',
      'volume', 'captions', 'settings', 'fullscreen'];
  return {
    controls: controls, autoplay: !!el.autoplay, loop: { active: !!el.loop }, muted: !!el.muted,
    volume: _qlNum(el.volume, 100) / 100, clickToPlay: el.clickToPlay !== false, resetOnEnd: !!el.resetOnEnd,
    hideControls: el.hideControls !== false, tooltips: { seek: el.tooltipsSeek !== false }, ratio: null,
    playsinline: el.playsinline !== false, seekTime: _qlNum(el.seekTime, 10), settings: ['speed'],
    speed: { selected: _qlNum(el.speedSelected, 1) },
  };
}

// WebM is left out on purpose: it is mostly a video container, and a video must not become an audio bar.
var AUDIO_EXTENSIONS = Object.freeze(['mp3', 'wav', 'ogg', 'oga', 'aac', 'm4a', 'flac', 'opus']);
function _isAudioSource(src) {
  const m = /\.([a-z0-9]+)(?:[?#].*)?$/i.exec(String(src || '').trim());
  return !!m && AUDIO_EXTENSIONS.indexOf(m[1].toLowerCase()) !== -1;
}

function _selectItems(el) {
  return String(el.listItems || '').split('\n').map(function (l) { return l.trim(); }).filter(Boolean);
}

function _selectedIndex(el, count) {
  if (!count) return -1;
  const n = parseInt(el.selectedIndex, 10);
  return Number.isFinite(n) && n >= 0 && n < count ? n : 0;
}
