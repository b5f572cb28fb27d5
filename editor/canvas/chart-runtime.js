// The chart runtime: the Chart.js charts of a page, kept by element id, and the operations that flows, the
// procedure library and generated programs use to change a live chart. The file stands alone (it needs
// only Chart.js, and the editor's theme service when there is one), so an exported page carries the same
// text and its charts behave as they do in the editor. Every operation catches its own failure and logs
// it with its name; an id without a chart is silent.
// Provides: QuorlinChart
// Needs: nothing
// Calls: getActiveTheme

var QuorlinChart = (function () {
  var charts = {};
  var PALETTE = ['#3b82f6', '#ef4444', '#10b981', '#f59e0b', '#8b5cf6', '#ec4899', '#06b6d4', '#84cc16', '#f97316',
    '#6366f1', '#14b8a6', '#f43f5e'];
  var SERIES_COLOUR = '#4f46e5';
  // The flags of the chart's settings that travel in its data, so a series added later looks like the others.
  var FLAGS = ['borderless', 'colorBySeries', 'labelColors', 'cutout', 'lineSmooth', 'fillArea', 'animate'];
  var TOKEN_VARS = {
    'th:primary': '--th-accent1', 'th:accentPrimary': '--th-accent1', 'th:accentSecondary': '--th-accent2',
    'th:accentMod2': '--th-accent3', 'th:surface': '--th-surface', 'th:bgPanel': '--th-bg-panel',
    'th:bgPage': '--th-bg-page', 'th:textPrimary': '--th-text1', 'th:textSecondary': '--th-text2', 'th:border': '--th-border',
  };

  function isObject(v) { return !!v && typeof v === 'object' && !Array.isArray(v); }
  function copy(v) { return v === undefined ? undefined : JSON.parse(JSON.stringify(v)); }
  function blank(v) { return v === undefined || v === null || String(v).trim() === ''; }
  function parse(text) {
    if (typeof text !== 'string') return text;
    if (!text.trim()) return undefined;
    try { return JSON.parse(text); } catch (e) { return undefined; }
  }
  function guard(name, fn) {
    return function () {
      try {
        return fn.apply(null, arguments);
      } catch (e) {
        console.warn('QuorlinChart.' + name + ' error:', e);
        return undefined;
      }
    };
  }

  function resolveColor(value) {
    if (blank(value)) return undefined;
    var text = String(value);
    if (text.indexOf('th:') !== 0) return text;
    if (TOKEN_VARS[text]) {
      var css = getComputedStyle(document.documentElement).getPropertyValue(TOKEN_VARS[text]).trim();
      return css || text;
    }
    if (typeof getActiveTheme === 'function') {
      var theme = getActiveTheme();
      var own = theme && theme[text.slice(3)];
      if (own) return own;
    }
    return text;
  }

  function isSliced(type, data) {
    return (type === 'doughnut' || type === 'pie' || type === 'bar') && !(data && data.colorBySeries);
  }

  function resolveDataset(d, type, flags) {
    var out = Object.assign({}, d);
    var values = Array.isArray(out.data) ? out.data : [];
    var own = Number(out.borderWidth);
    out.borderWidth = flags.borderless ? 0 : (isFinite(own) && out.borderWidth !== '' && out.borderWidth !== null ? own : 2);
    out.borderColor = resolveColor(out.borderColor) || resolveColor('th:accentSecondary');
    if (type === 'doughnut' || type === 'pie' || type === 'bar') {
      if (flags.colorBySeries) {
        out.backgroundColor = resolveColor(out.bgColor) || resolveColor('th:accentPrimary');
      } else {
        var given = Array.isArray(flags.labelColors) ? flags.labelColors : [];
        out.backgroundColor = values.map(function (v, i) { return resolveColor(given[i]) || PALETTE[i % PALETTE.length]; });
      }
    } else {
      out.backgroundColor = resolveColor(out.bgColor) || resolveColor('th:accentPrimary');
    }
    if (type === 'line') {
      out.tension = flags.lineSmooth ? 0.4 : 0;
      out.fill = !!flags.fillArea;
    }
    return out;
  }

  // The cutout of a doughnut or pie: each ring keeps the thickness the slider gives, never below 0%.
  function cutoutOf(type, data) {
    if (type !== 'doughnut' && type !== 'pie') return undefined;
    if (blank(data.cutout) || !isFinite(Number(data.cutout))) return undefined;
    var c = Number(data.cutout);
    var n = Array.isArray(data.datasets) && data.datasets.length ? data.datasets.length : 1;
    return (n <= 1 ? c : Math.max(0, 100 - n * c)) + '%';
  }

  function setAxis(options, axis, shown) {
    options.scales = isObject(options.scales) ? options.scales : {};
    options.scales[axis] = Object.assign({}, options.scales[axis], { display: shown });
  }

  function buildConfig(type, data, optionsText) {
    var raw = parse(data);
    raw = isObject(raw) ? copy(raw) : { labels: [], datasets: [] };
    if (!Array.isArray(raw.labels)) raw.labels = [];
    if (!Array.isArray(raw.datasets)) raw.datasets = [];
    raw.datasets = raw.datasets.filter(isObject).map(function (d) { return resolveDataset(d, type, raw); });
    var options = { responsive: true, maintainAspectRatio: false };
    var extra = parse(optionsText);
    if (isObject(extra)) Object.assign(options, copy(extra));
    if (raw.animate === false) options.animation = false;
    if (raw.showXAxis === false) setAxis(options, 'x', false);
    if (raw.showYAxis === false) setAxis(options, 'y', false);
    if (raw.chartOrientation === 'horizontal') options.indexAxis = 'y';
    var cut = cutoutOf(type, raw);
    if (cut !== undefined) options.cutout = cut;
    return { type: type, data: raw, options: options };
  }

  function recolourSlices(chart) {
    var data = chart.data;
    if (!isSliced(chart.config.type, data)) return;
    var given = Array.isArray(data.labelColors) ? data.labelColors : [];
    var colours = data.labels.map(function (l, i) { return resolveColor(given[i]) || PALETTE[i % PALETTE.length]; });
    data.datasets.forEach(function (d) {
      d.backgroundColor = colours.slice();
      if (blank(d.borderColor)) d.borderColor = colours[0];
    });
  }

  function newSeries(chart, label, colour) {
    var data = chart.data;
    var s = {
      label: label, data: data.labels.map(function () { return null; }),
      backgroundColor: colour, borderColor: colour, borderWidth: data.borderless ? 0 : 1,
    };
    if (chart.config.type === 'line') { s.tension = data.lineSmooth ? 0.4 : 0; s.fill = !!data.fillArea; }
    return s;
  }

  function refreshCutout(chart) {
    var cut = cutoutOf(chart.config.type, chart.data);
    if (cut !== undefined) chart.options.cutout = cut;
  }

  // What a rebuilt chart keeps of the one it replaces: its events and its text colour.
  function keepLook(config, old) {
    if (!old) return config;
    var before = old.options || {};
    if (before.events !== undefined) config.options.events = before.events;
    var colour = before.color;
    if (colour !== undefined) {
      config.options.color = colour;
      ['x', 'y'].forEach(function (axis) {
        config.options.scales = isObject(config.options.scales) ? config.options.scales : {};
        var scale = Object.assign({}, config.options.scales[axis]);
        scale.ticks = Object.assign({}, scale.ticks, { color: colour });
        config.options.scales[axis] = scale;
      });
    }
    return config;
  }

  function deepMerge(target, patch) {
    Object.keys(patch).forEach(function (k) {
      if (isObject(patch[k]) && isObject(target[k])) deepMerge(target[k], patch[k]);
      else target[k] = isObject(patch[k]) ? copy(patch[k]) : patch[k];
    });
    return target;
  }

  function destroy(id) {
    var chart = charts[id];
    delete charts[id];
    if (chart) {
      try { chart.destroy(); } catch (e) { /* a chart whose canvas has gone may fail to let go: it is forgotten anyway */ }
    }
  }

  var create = guard('create', function (id, config) {
    destroy(id);
    var canvas = document.getElementById(id);
    if (!canvas || typeof Chart === 'undefined') return null;
    var chart = new Chart(canvas, config);
    charts[id] = chart;
    // Made before layout a chart has no size: once the page has laid it out it is sized again.
    setTimeout(function () {
      if (charts[id] !== chart) return;
      try { chart.resize(); chart.update(); } catch (e) { console.warn('QuorlinChart.create error:', e); }
    }, 0);
    return chart;
  });

  var api = {
    create: create,
    destroy: guard('destroy', destroy),
    destroyAll: guard('destroyAll', function () { Object.keys(charts).forEach(destroy); }),
    // The chart of an id, or null.
    get: function (id) { return charts[id] || null; },
    ids: function () { return Object.keys(charts); },

    setData: guard('setData', function (id, data) {
      var chart = charts[id];
      var next = parse(data);
      if (!chart || !isObject(next)) return;
      var old = chart.data;
      FLAGS.forEach(function (k) { if (next[k] === undefined && old[k] !== undefined) next[k] = old[k]; });
      old.labels = Array.isArray(next.labels) ? next.labels.slice() : [];
      if (Array.isArray(next.datasets)) {
        var type = chart.config.type;
        var given = next.datasets.filter(isObject).map(function (d) { return resolveDataset(d, type, next); });
        old.datasets.length = Math.min(old.datasets.length, given.length);
        given.forEach(function (d, i) {
          var cur = old.datasets[i];
          if (!cur) { old.datasets.push(d); return; }
          // Changed in place: Chart.js keeps its state per dataset (what is hidden, the animation).
          ['label', 'data', 'backgroundColor', 'borderColor', 'borderWidth', 'tension', 'fill'].forEach(function (k) {
            if (d[k] === undefined) delete cur[k];
            else cur[k] = d[k];
          });
        });
      }
      FLAGS.forEach(function (k) { if (next[k] !== undefined) old[k] = next[k]; });
      refreshCutout(chart);
      chart.update();
    }),

    setType: guard('setType', function (id, type) {
      var chart = charts[id];
      if (!chart) return;
      create(id, keepLook(buildConfig(String(type), copy(chart.data), ''), chart));
    }),

    recreate: guard('recreate', function (id, type, data, optionsText) {
      var old = charts[id];
      var options = isObject(optionsText) ? JSON.stringify(optionsText) : optionsText;
      create(id, keepLook(buildConfig(String(type), data, options), old));
    }),

    // Options given as an object (the inspector's) or as JSON text.
    setOptions: guard('setOptions', function (id, options) {
      var chart = charts[id];
      var next = parse(options);
      if (!chart || !isObject(next)) return;
      chart.options = copy(next);
      chart.update();
    }),

    applyOptions: guard('applyOptions', function (id, orientation, showX, showY, optionsText) {
      var chart = charts[id];
      if (!chart) return;
      var patch = {};
      if (orientation === 'horizontal') patch.indexAxis = 'y';
      else if (orientation === 'vertical') patch.indexAxis = 'x';
      var on = function (v) { return v === true || v === 'true'; };
      if (!blank(showX)) setAxis(patch, 'x', on(showX));
      if (!blank(showY)) setAxis(patch, 'y', on(showY));
      var extra = parse(optionsText);
      if (isObject(extra)) deepMerge(patch, extra);
      deepMerge(chart.options, patch);
      chart.update();
    }),

    appendPoint: guard('appendPoint', function (id, label, value, seriesLabel) {
      var chart = charts[id];
      if (!chart) return;
      var data = chart.data;
      var n = parseFloat(value);
      n = isFinite(n) ? n : 0;
      if (!data.datasets.length) data.datasets.push(newSeries(chart, blank(seriesLabel) ? '' : String(seriesLabel), SERIES_COLOUR));
      var target = data.datasets.filter(function (d) { return d.label === seriesLabel; })[0] || data.datasets[0];
      var at = data.labels.indexOf(label);
      if (at === -1) {
        data.labels.push(label);
        data.datasets.forEach(function (d) {
          if (!Array.isArray(d.data)) d.data = [];
          d.data.push(d === target ? n : null);
        });
      } else {
        target.data[at] = n;
      }
      recolourSlices(chart);
      chart.update();
    }),

    addDataset: guard('addDataset', function (id, label, colour) {
      var chart = charts[id];
      if (!chart) return;
      var existing = chart.data.datasets.filter(function (d) { return d.label === label; })[0];
      if (existing) {
        if (blank(colour)) return;
        existing.backgroundColor = colour;
        existing.borderColor = colour;
      } else {
        chart.data.datasets.push(newSeries(chart, label, blank(colour) ? SERIES_COLOUR : colour));
        refreshCutout(chart);
      }
      chart.update();
    }),

    setSeriesColors: guard('setSeriesColors', function (id, label, background, border) {
      var chart = charts[id];
      if (!chart) return;
      var series = chart.data.datasets.filter(function (d) { return d.label === label; })[0];
      if (!series) return;
      if (!blank(background)) series.backgroundColor = background;
      if (!blank(border)) series.borderColor = border;
      chart.update();
    }),

    setSliceColor: guard('setSliceColor', function (id, label, value, colour) {
      var chart = charts[id];
      if (!chart) return;
      var data = chart.data;
      if (!data.datasets.length) data.datasets.push(newSeries(chart, '', SERIES_COLOUR));
      var n = parseFloat(value);
      var at = data.labels.indexOf(label);
      if (at === -1) {
        data.labels.push(label);
        at = data.labels.length - 1;
        data.datasets.forEach(function (d, i) {
          if (!Array.isArray(d.data)) d.data = [];
          d.data.push(i === 0 ? (isFinite(n) ? n : 0) : null);
        });
      } else if (!blank(value) && isFinite(n)) {
        data.datasets[0].data[at] = n;
      }
      if (!blank(colour)) {
        data.labelColors = Array.isArray(data.labelColors) ? data.labelColors : [];
        data.labelColors[at] = colour;
      }
      recolourSlices(chart);
      chart.update();
    }),

    getData: function (id) {
      try {
        return charts[id] ? JSON.stringify(charts[id].data) : '{}';
      } catch (e) {
        console.warn('QuorlinChart.getData error:', e);
        return '{}';
      }
    },

    setValue: guard('setValue', function (id, series, index, value) {
      var chart = charts[id];
      var d = chart && chart.data.datasets[series];
      if (!d || !(index >= 0) || Math.floor(index) !== Number(index)) return;
      if (!Array.isArray(d.data)) d.data = [];
      d.data[index] = value;
      chart.update();
    }),

    buildConfig: guard('buildConfig', buildConfig),
    resolveColor: guard('resolveColor', resolveColor),
    PALETTE: PALETTE,
  };
  return api;
})();
// Also a window property when the text is inlined inside a function of an exported page.
window.QuorlinChart = QuorlinChart;
