// Tables and charts come alive on the design canvas: after each drawing the chart runtime makes the charts
// of the canvas from their placeholders, and a fixed-header table's fitted height goes back into its
// element. A chart or table whose node and configuration are the ones it was made from is left as it is:
// a drawing that redrew other wrappers costs nothing here.
// Provides: initCharts, _qlTableHeightChanged
// Needs: _findElement, QuorlinChart

// On the canvas a click on a chart selects the element: the chart itself takes no events and shows no
// tooltip.
function initCharts() {
  const nodes = document.querySelectorAll('[data-chart-config]');
  if (typeof Chart === 'undefined') {
    if (nodes.length) console.log('Chart.js not loaded');
    return;
  }
  QuorlinChart.ids().forEach(function (id) {
    const chart = QuorlinChart.get(id);
    if (!chart || !chart.canvas || !chart.canvas.isConnected) QuorlinChart.destroy(id);
  });
  nodes.forEach(function (node) {
    const text = node.getAttribute('data-chart-config');
    const live = QuorlinChart.get(node.id);
    if (live && live.canvas === node && node._qlChartText === text) return;
    let cfg;
    try {
      cfg = JSON.parse(text);
    } catch (e) {
      console.warn('Chart init error:', e);
      return;
    }
    if (!cfg || typeof cfg !== 'object') return;
    const options = cfg.options && typeof cfg.options === 'object' ? cfg.options : (cfg.options = {});
    options.events = [];
    options.plugins = Object.assign({}, options.plugins);
    options.plugins.tooltip = Object.assign({}, options.plugins.tooltip, { enabled: false });
    if (QuorlinChart.create(node.id, cfg)) node._qlChartText = text;
  });
}

// The table runtime fitted a fixed-header table to its wrapper: the height is kept in the element (not an
// edit of the user's, so no undo step), and the next drawing shows it.
function _qlTableHeightChanged(id, height) {
  const el = _findElement(id);
  if (!el) return;
  let features = el.tableFeatures;
  const asText = typeof features === 'string';
  if (asText) {
    try { features = JSON.parse(features || '{}'); } catch (e) { return; }
  }
  if (!features || typeof features !== 'object' || Array.isArray(features)) return;
  features = Object.assign({}, features, { tableHeight: height });
  el.tableFeatures = asText ? JSON.stringify(features) : features;
}
