// Zoom and pan along x, linked across the panels, sortable tables and
// downloads; the page is complete without it.
(function () {
  'use strict';
  const body = document.body;
  try {
    const data = JSON.parse(document.getElementById('vestrel-data').textContent);
    const panels = Array.from(document.querySelectorAll('svg[data-panel]'));
    const full = [1, data.length];
    let view = full.slice();
    const ns = 'http://www.w3.org/2000/svg';
    const geometry = (svg) => ({ left: +svg.dataset.left, width: +svg.dataset.width,
                                 top: +svg.dataset.top, height: +svg.dataset.height });
    const xOf = (g, position) => g.left + (position - view[0]) / Math.max(1, view[1] - view[0]) * g.width;
    const positionOf = (g, x) => view[0] + (x - g.left) / g.width * (view[1] - view[0]);

    function niceStep(span) {
      const raw = span / 8, power = Math.pow(10, Math.floor(Math.log10(raw)));
      return [1, 2, 5, 10].map((m) => m * power).find((s) => s >= raw);
    }
    function label(position, step) {
      if (step >= 1e6) return +(position / 1e6).toFixed(3) + ' Mb';
      if (step >= 1e3) return +(position / 1e3).toFixed(3) + ' kb';
      return position + ' bp';
    }
    function element(name, attributes, parent) {
      const node = document.createElementNS(ns, name);
      for (const key in attributes) node.setAttribute(key, attributes[key]);
      parent.appendChild(node);
      return node;
    }
    function ticks(svg, g) {
      const axis = svg.querySelector('.x-axis');
      axis.textContent = '';
      const step = niceStep(view[1] - view[0]);
      for (let p = Math.ceil(view[0] / step) * step; p <= view[1]; p += step) {
        const x = xOf(g, p);
        element('line', { x1: x, x2: x, y1: g.top + g.height, y2: g.top + g.height + 5 }, axis);
        element('text', { x: x, y: g.top + g.height + 17, 'text-anchor': 'middle' }, axis).textContent = label(p, step);
      }
    }
    // Minimum and maximum per pixel column: the extremes survive thinning.
    function curvePath(g, yOf) {
      const columns = new Map();
      let d = '', last = null;
      for (const [position, value] of data.curve) {
        if (position < view[0] || position > view[1]) { last = null; continue; }
        if (value === null) { last = null; continue; }
        const column = Math.round(xOf(g, position));
        const y = yOf(value);
        if (last !== null && last.column === column) {
          last.low = Math.max(last.low, y); last.high = Math.min(last.high, y);
          continue;
        }
        if (last) d += 'L' + last.column + ',' + last.high.toFixed(1) + 'L' + last.column + ',' + last.low.toFixed(1);
        d += (last ? 'L' : 'M') + column + ',' + y.toFixed(1);
        last = { column: column, low: y, high: y };
      }
      if (last) d += 'L' + last.column + ',' + last.high.toFixed(1) + 'L' + last.column + ',' + last.low.toFixed(1);
      return d || 'M0,0';
    }
    function render() {
      for (const svg of panels) {
        const g = geometry(svg);
        const yLow = +svg.dataset.yLow, yHigh = +svg.dataset.yHigh;
        const yOf = (v) => g.top + g.height - (v - yLow) / (yHigh - yLow || 1) * g.height;
        ticks(svg, g);
        svg.querySelectorAll('[data-start][data-end]').forEach((node) => {
          const x1 = Math.max(g.left, xOf(g, +node.dataset.start - 1)), x2 = Math.min(g.left + g.width, xOf(g, +node.dataset.end));
          if (node.tagName === 'rect') { node.setAttribute('x', x1); node.setAttribute('width', Math.max(0, x2 - x1)); }
          else { node.setAttribute('x1', x1); node.setAttribute('x2', Math.max(x1, x2)); }
          node.style.display = x2 < g.left || x1 > g.left + g.width ? 'none' : '';
        });
        svg.querySelectorAll('[data-position]').forEach((node) => {
          const x = xOf(g, +node.dataset.position);
          node.setAttribute('transform', 'translate(' + x.toFixed(1) + ',0)');
          node.style.display = x < g.left || x > g.left + g.width ? 'none' : '';
        });
        const curve = svg.querySelector('.curve');
        if (curve) curve.setAttribute('d', curvePath(g, yOf));
        svg.dataset.xStart = Math.round(view[0]);
        svg.dataset.xEnd = Math.round(view[1]);
      }
    }
    function zoomTo(from, to) {
      from = Math.max(full[0], Math.min(from, to)); to = Math.min(full[1], Math.max(from, to));
      if (to - from < 10) return;
      view = [from, to];
      render();
    }
    for (const svg of panels) {
      let start = null, band = null;
      const pointX = (event) => {
        const box = svg.getBoundingClientRect();
        return (event.clientX - box.left) / box.width * svg.viewBox.baseVal.width;
      };
      svg.addEventListener('mousedown', (event) => {
        start = pointX(event);
        band = element('rect', { class: 'selection', x: start, y: 0, width: 0, height: svg.viewBox.baseVal.height }, svg);
      });
      svg.addEventListener('mousemove', (event) => {
        if (start === null) return;
        const x = pointX(event);
        band.setAttribute('x', Math.min(start, x)); band.setAttribute('width', Math.abs(x - start));
      });
      svg.addEventListener('mouseup', (event) => {
        if (start === null) return;
        const g = geometry(svg), end = pointX(event);
        band.remove();
        if (Math.abs(end - start) > 5) zoomTo(positionOf(g, Math.min(start, end)), positionOf(g, Math.max(start, end)));
        start = null;
      });
      svg.addEventListener('dblclick', () => zoomTo(full[0], full[1]));
    }
    document.querySelectorAll('[data-pan]').forEach((button) => button.addEventListener('click', () => {
      const shift = (view[1] - view[0]) / 2 * +button.dataset.pan;
      const from = Math.max(full[0], Math.min(full[1] - (view[1] - view[0]), view[0] + shift));
      zoomTo(from, from + view[1] - view[0]);
    }));
    document.querySelectorAll('[data-reset]').forEach((b) => b.addEventListener('click', () => zoomTo(full[0], full[1])));
    // Sortable tables and downloads.
    document.querySelectorAll('table.sortable').forEach((table) => {
      table.querySelectorAll('th').forEach((th, column) => th.addEventListener('click', () => {
        const rows = Array.from(table.tBodies[0].rows), up = th.dataset.order !== 'up';
        const key = (row) => { const t = row.cells[column].textContent, n = parseFloat(t); return isNaN(n) ? t : n; };
        rows.sort((a, b) => (key(a) > key(b) ? 1 : key(a) < key(b) ? -1 : 0) * (up ? 1 : -1));
        th.dataset.order = up ? 'up' : 'down';
        rows.forEach((row) => table.tBodies[0].appendChild(row));
      }));
    });
    function download(name, type, text) {
      const link = document.createElement('a');
      link.href = URL.createObjectURL(new Blob([text], { type: type }));
      link.download = name;
      link.click();
    }
    document.querySelectorAll('[data-tsv]').forEach((button) => button.addEventListener('click', () => {
      const table = document.getElementById(button.dataset.tsv);
      const lines = Array.from(table.rows).map((row) => Array.from(row.cells).map((c) => c.textContent).join('\t'));
      download(button.dataset.tsv + '.tsv', 'text/tab-separated-values', lines.join('\n') + '\n');
    }));
    document.querySelectorAll('[data-svg]').forEach((button) => button.addEventListener('click', () => {
      const svg = document.getElementById(button.dataset.svg);
      download(button.dataset.svg + '.svg', 'image/svg+xml', new XMLSerializer().serializeToString(svg));
    }));
    const asked = /#x=(\d+)-(\d+)/.exec(location.hash);
    if (asked) zoomTo(+asked[1], +asked[2]); else render();
    body.dataset.status = 'ready';
  } catch (error) {
    body.dataset.status = 'error: ' + error;
  }
})();
