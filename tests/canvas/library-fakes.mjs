// Stand-ins for Grid.js and Chart.js in jsdom (which has no 2D canvas), as page script: the table and chart
// runtimes run over them unchanged. window.__grids and window.__charts keep every instance made.
//
//   page.run(FAKE_GRID); page.run(FAKE_CHART);

// A Grid.js stand-in: draws its data as rows of cells with Grid.js's classes, synchronously.
export const FAKE_GRID = String.raw`window.__grids = [];
window.gridjs = { Grid: function (config) {
  var self = this;
  self.config = config;
  self.renders = 0;
  self.destroyed = false;
  window.__grids.push(self);
  function draw() {
    self.renders++;
    var head = '<tr>' + config.columns.map(function (c) { return '<th class="gridjs-th">' + c.name + '</th>'; }).join('') + '</tr>';
    var body = config.data.map(function (r) { return '<tr class="gridjs-tr">' + r.map(function (v) { return '<td class="gridjs-td">' + v + '</td>'; }).join('') + '</tr>'; }).join('');
    self.node.innerHTML = '<div class="gridjs-container"><table><thead>' + head + '</thead><tbody class="gridjs-tbody">' + body + '</tbody></table></div>';
  }
  self.render = function (node) { self.node = node; draw(); return self; };
  self.updateConfig = function (c) { Object.assign(config, c); return self; };
  self.forceRender = function () { draw(); return self; };
  self.destroy = function () { self.destroyed = true; };
} };`;

// A Chart.js stand-in that keeps what it was given and counts its updates.
export const FAKE_CHART = String.raw`window.__charts = [];
window.Chart = function (canvas, config) {
  this.canvas = canvas;
  this.config = { type: config.type };
  this.data = config.data;
  this.options = config.options;
  this.updates = 0;
  this.destroyed = false;
  window.__charts.push(this);
};
Chart.prototype.update = function () { this.updates++; };
Chart.prototype.resize = function () {};
Chart.prototype.destroy = function () { this.destroyed = true; };`;
