// Loads the page's libraries from the host's own folders (Internal_lib/, Fonts/) at the page's host and
// port: nothing comes from anywhere else. Runs in the document head.
// Provides: exports (for Grid.js)
// Needs: _twBlockerReady
var exports = {};

(function () {
  const head = document.head;

  function script(src, onload, onerror) {
    const el = document.createElement('script');
    el.src = src;
    el.async = false;
    if (onload) el.addEventListener('load', onload);
    el.addEventListener('error', onerror || (() => console.warn('[libs] ' + src + ' could not be loaded')));
    head.appendChild(el);
  }

  function stylesheet(href) {
    const el = document.createElement('link');
    el.rel = 'stylesheet';
    el.href = href;
    head.appendChild(el);
  }

  function removeCover() {
    document.getElementById('tw-blocker')?.remove();
    window._twBlockerReady = true;
  }

  script('/Internal_lib/tailwind.min.js', () => {
    window.tailwind.config = {
      darkMode: 'class',
      theme: { extend: { colors: { accent: 'var(--accent-color)', accent2: 'var(--th-accent2)' } } },
    };
    setTimeout(removeCover, 200);
  }, () => {
    console.warn('[libs] the utility-class engine could not be loaded');
    removeCover();
  });
  script('/Internal_lib/chartjs/chart.umd.min.js', null,
    () => console.warn('[libs] Chart.js could not be loaded: the chart element is unavailable'));
  script('/Internal_lib/html2canvas.min.js');
  script('/Internal_lib/sortablejs/sortable.min.js');

  // Grid.js is evaluated from its text (with the exports object above for its module wrapper).
  fetch('/Internal_lib/gridjs/gridjs.min.js')
    .then((r) => (r.ok ? r.text() : Promise.reject(new Error('status ' + r.status))))
    .then((code) => (0, eval)(code))
    .catch((e) => console.error('[libs] Grid.js could not be loaded:', e));
  stylesheet('/Internal_lib/gridjs/theme/mermaid.min.css');

  // Icon fonts only from the local host. The regular Phosphor sheet comes first so the weight sheets,
  // duotone included (the icon picker offers it), win the cascade.
  const host = location.hostname;
  if (host === '127.0.0.1' || host === 'localhost' || host === '::1' || host === '[::1]') {
    for (const weight of ['regular', 'bold', 'fill', 'light', 'thin', 'duotone']) {
      stylesheet('/Fonts/phosphor/' + weight + '/style.css');
    }
    stylesheet('/Fonts/fontawesome/all.min.css');
    stylesheet('/Fonts/bootstrap-icons/bootstrap-icons.min.css');
    stylesheet('/Fonts/ionicons/ionicons.min.css');
  }
})();
