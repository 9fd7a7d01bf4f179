// Zoom and pan along x, linked across the panels, sortable tables and
// downloads; the page of one run is complete without it. The page of a run
// per record holds the data of every record, and this draws the one chosen.
(function () {
  'use strict';
  const body = document.body;
  try {
    const data = JSON.parse(document.getElementById('vestrel-data').textContent);
    const panels = Array.from(document.querySelectorAll('svg[data-panel]'));
    let full = [1, data.length];
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
      if (!axis) return;  // a panel the chosen record does not draw
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

    // The panels of one record of a run per record, drawn from its data.
    function yScale(g, low, high) { return (v) => g.top + g.height - (v - low) / (high - low) * g.height; }
    function panel(svg, height, low, high, title) {
      const g = { left: 70, width: 1110, top: 12, height: height };
      svg.textContent = '';
      svg.setAttribute('viewBox', '0 0 1200 ' + (g.top + g.height + 30));
      Object.assign(svg.dataset, { left: g.left, width: g.width, top: g.top, height: g.height, yLow: low, yHigh: high });
      const y = yScale(g, low, high);
      for (const [start, end] of chosen.gaps) {
        const gap = element('rect', { class: 'gap', 'data-start': start, 'data-end': end, y: g.top, height: g.height }, svg);
        element('title', {}, gap).textContent = 'gap ' + start + '-' + end;
      }
      element('g', { class: 'axis x-axis' }, svg);
      const axis = element('g', { class: 'axis' }, svg);
      element('line', { x1: g.left, x2: g.left, y1: g.top, y2: g.top + g.height }, axis);
      for (let k = 0; k <= 4; ++k) {
        const v = low + (high - low) * k / 4;
        element('text', { x: g.left - 4, y: (y(v) + 4).toFixed(1), 'text-anchor': 'end' }, axis).textContent =
          Math.abs(high - low) < 10 ? v.toFixed(2) : v.toFixed(0);
      }
      const middle = g.top + g.height / 2;
      element('text', { x: 12, y: middle, transform: 'rotate(-90 12 ' + middle + ')', 'text-anchor': 'middle' }, axis)
        .textContent = title;
      return y;
    }
    function range(values, pad) {
      let low = Infinity, high = -Infinity;
      for (const v of values) if (v !== null) { low = Math.min(low, v); high = Math.max(high, v); }
      if (!(low <= high)) { low = 0; high = 1; }
      const p = (high - low) * pad + 1e-9;
      return [low - p, high + p];
    }
    function rows(id, lines) {
      const tbody = document.getElementById(id).tBodies[0];
      tbody.textContent = '';
      for (const cells of lines) {
        const row = tbody.insertRow();
        for (const cell of cells) row.insertCell().textContent = cell;
      }
    }
    let chosen = null;
    function show(record) {
      chosen = record;
      data.length = record.length;
      full = [1, record.length];
      view = full.slice();
      const c = record.curve;
      data.curve = [];
      for (let i = 0; i < c.low.length; ++i) {
        const position = i * c.step + 1;
        if (c.low[i] === null) data.curve.push([position, null]);
        else data.curve.push([position, c.high[i]], [position, c.low[i]]);
      }
      const [curve, gc, skew] = ['curve', 'gc', 'skew'].map((id) => document.getElementById(id));
      const [cLow, cHigh] = range(c.low.concat(c.high), 0.05);
      const y = panel(curve, 300, cLow, cHigh, data.plotZ ? 'z\u2032' : '\u2212z\u2032');
      element('path', { class: 'curve', d: 'M0,0' }, curve);
      record.splits.forEach(([position, strength, depth, from, to, value, pValues], i) => {
        const n = i + 1, mark = element('g', { class: 'split', 'data-number': n, 'data-position': position,
          'data-strength': strength.toFixed(2), 'data-depth': depth, 'data-contig': from + '-' + to }, curve);
        element('circle', { cy: y(value).toFixed(1), r: 4 }, mark);
        element('text', { y: (y(value) - 7).toFixed(1), 'text-anchor': 'middle' }, mark).textContent = n;
        element('title', {}, mark).textContent = 'split point ' + n + ': position ' + position + ', strength ' +
          strength.toFixed(2) + ', depth ' + depth + ', contig ' + from + '-' + to + pValues;
      });
      for (const [position, value] of record.coordinates) {
        const mark = element('g', { class: 'coordinate', 'data-position': position, 'data-value': value.toFixed(3) }, curve);
        element('path', { d: 'M0,' + y(value).toFixed(1) + 'l-4,-7h8z' }, mark);
        element('title', {}, mark).textContent = 'coordinate ' + position + ': ' + value.toFixed(3);
      }
      const w = record.windows;
      const gcValues = record.segments.map((s) => s[2]).concat(w ? w.gc : []);
      let [gLow, gHigh] = range(gcValues, 0);
      gLow = Math.max(0, gLow - 0.05); gHigh = Math.min(1, gHigh + 0.05);
      const yGc = panel(gc, 160, gLow, gHigh, 'GC content');
      if (w) w.gc.forEach((value, i) => {
        if (value !== null) element('line', { class: 'window', 'data-start': i * w.size + 1,
          'data-end': Math.min(record.length, (i + 1) * w.size), y1: yGc(value).toFixed(1), y2: yGc(value).toFixed(1) }, gc);
      });
      for (const [start, end, value] of record.segments) {
        if (value === null) continue;
        const line = element('line', { class: 'steps segment', 'data-start': start, 'data-end': end,
          'data-gc': value.toFixed(6), y1: yGc(value).toFixed(1), y2: yGc(value).toFixed(1) }, gc);
        element('title', {}, line).textContent = start + '-' + end + ': GC ' + (100 * value).toFixed(2) + '%';
      }
      skew.parentNode.style.display = w ? '' : 'none';
      if (w) {
        let sLow = Math.min(0, ...w.cumulative), sHigh = Math.max(0, ...w.cumulative);
        if (sHigh - sLow < 1e-9) sHigh = sLow + 1;
        const yS = panel(skew, 160, sLow, sHigh, 'cumulative GC skew');
        w.cumulative.forEach((value, i) => element('line', { class: 'steps skew', 'data-start': i * w.size + 1,
          'data-end': Math.min(record.length, (i + 1) * w.size), y1: yS(value).toFixed(1), y2: yS(value).toFixed(1) }, skew));
        for (const kind of ['origin', 'terminus']) {
          const mark = element('g', { class: kind, 'data-position': w[kind] }, skew);
          element('path', { d: 'M0,12l-5,9h10z' }, mark);
          element('title', {}, mark).textContent = kind + ' of ' + record.file + ' at ' + w[kind];
        }
      }
      rows('segments', record.segments.map(([s, e, v]) => [s, e, e - s + 1, v === null ? '-' : (100 * v).toFixed(2)]));
      rows('split-points', record.splits.map(([p, strength, d, from, to, , , q, qc, inflation], i) =>
        [i + 1, p, strength.toFixed(2), d, from + '-' + to, q, qc, inflation]));
      document.getElementById('record-title').textContent = record.file + ': the curve and the GC content';
      document.getElementById('record-choice').value = record.file;
      body.dataset.record = record.file;
    }
    function fromAddress() {
      const asked = /[#&]record=([^&]*)/.exec(location.hash);
      const name = asked ? decodeURIComponent(asked[1]) : null;
      const record = data.records.find((r) => r.file === name) || data.records[0];
      if (record && record !== chosen) show(record);
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
      const all = document.getElementById(button.dataset.tsv + '-tsv');  // a table that shows only its first rows
      const lines = Array.from(table.rows).map((row) => Array.from(row.cells).map((c) => c.textContent).join('\t'));
      download(button.dataset.tsv + '.tsv', 'text/tab-separated-values', all ? JSON.parse(all.textContent) :
        lines.join('\n') + '\n');
    }));
    document.querySelectorAll('[data-svg]').forEach((button) => button.addEventListener('click', () => {
      const svg = document.getElementById(button.dataset.svg);
      download(button.dataset.svg + '.svg', 'image/svg+xml', new XMLSerializer().serializeToString(svg));
    }));
    function zoomToAddress() {
      const asked = /[#&]x=(\d+)-(\d+)/.exec(location.hash);
      if (asked) zoomTo(+asked[1], +asked[2]); else render();
    }
    if (data.records) {
      document.getElementById('record-choice').addEventListener('change', (event) => {
        location.hash = 'record=' + encodeURIComponent(event.target.value);
      });
      window.addEventListener('hashchange', () => { fromAddress(); zoomToAddress(); });
      fromAddress();
    }
    zoomToAddress();
    body.dataset.status = 'ready';
  } catch (error) {
    body.dataset.status = 'error: ' + error;
  }
})();
