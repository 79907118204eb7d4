// The records list as the record browser shows it, over any number of rows:
// only the rows in sight and a margin are in the page, fetched from the
// server a page at a time, and the scroll height comes from the server's
// total, so a million records scroll as ten do. The selection is kept as
// ranges of row positions, which a Shift+click over a million rows keeps
// in a few numbers; the records' ids are asked for only when an action
// needs them.
function kvdRecordList(options) {
  'use strict';
  // The row's height is the style's (--row), which a phone's width makes
  // taller: its row reads in three lines there.
  var rowPx = rowHeight();
  var kPageRows = 100;
  var kMargin = 20;
  var kMaxPagesKept = 60;
  var kMaxInFlight = 2;
  // Browsers stop sizing an element somewhere past 16 million pixels; a
  // longer list scrolls proportionally inside this height.
  var kMaxHeight = 8000000;

  var list = options.list, viewport = options.viewport, spacer = options.spacer;
  var total = 0, generation = 0;
  var pages = new Map();      // page number -> rows
  var inFlight = new Map();   // page number -> generation
  var ranges = [];            // selected positions: sorted, disjoint [first, last]
  var anchor = -1, cursor = -1;
  var drawn = new Map();      // position -> row element
  var frame = 0;

  function rowHeight() { return parseFloat(getComputedStyle(options.list).getPropertyValue('--row')) || 28; }
  function virtualHeight() { return Math.min(total * rowPx, kMaxHeight); }
  function viewHeight() { return viewport.clientHeight; }
  // The position of the row at the top of the view, with its fraction.
  function topPosition() {
    var full = total * rowPx, virtual = virtualHeight(), vh = viewHeight();
    if (full <= virtual || virtual <= vh) return viewport.scrollTop / rowPx;
    return viewport.scrollTop * (full - vh) / (virtual - vh) / rowPx;
  }
  function visibleRows() { return Math.ceil(viewHeight() / rowPx) + 1; }

  function rowAt(i) {
    var p = pages.get(Math.floor(i / kPageRows));
    return p ? p[i % kPageRows] : undefined;
  }

  // --- the selection ----------------------------------------------------

  function isSelected(i) {
    for (var k = 0; k < ranges.length; ++k) if (i >= ranges[k][0] && i <= ranges[k][1]) return true;
    return false;
  }
  function removeRange(a, b) {
    var out = [];
    ranges.forEach(function (r) {
      if (r[1] < a || r[0] > b) { out.push(r); return; }
      if (r[0] < a) out.push([r[0], a - 1]);
      if (r[1] > b) out.push([b + 1, r[1]]);
    });
    ranges = out;
  }
  function addRange(a, b) {
    removeRange(a, b);
    ranges.push([a, b]);
    ranges.sort(function (x, y) { return x[0] - y[0]; });
    var merged = [];
    ranges.forEach(function (r) {
      var last = merged[merged.length - 1];
      if (last && r[0] <= last[1] + 1) last[1] = Math.max(last[1], r[1]);
      else merged.push([r[0], r[1]]);
    });
    ranges = merged;
  }
  function selectedCount() {
    return ranges.reduce(function (s, r) { return s + r[1] - r[0] + 1; }, 0);
  }

  // Click, Shift+click and Ctrl+click as in the browser's own list.
  function pick(i, shift, ctrl) {
    if (i < 0 || i >= total) return;
    if (shift && anchor >= 0) {
      if (!ctrl) ranges = [];
      addRange(Math.min(anchor, i), Math.max(anchor, i));
    } else if (ctrl) {
      if (isSelected(i)) removeRange(i, i); else addRange(i, i);
      anchor = i;
    } else {
      ranges = [[i, i]];
      anchor = i;
    }
    cursor = i;
    changed();
  }

  function changed() {
    schedule();
    if (options.onSelection) options.onSelection(selectedCount());
  }

  // --- fetching -----------------------------------------------------------

  function wantedPages() {
    var top = Math.floor(topPosition());
    var first = Math.max(0, top - kMargin), last = Math.min(total - 1, top + visibleRows() + kMargin);
    var out = [];
    for (var p = Math.floor(first / kPageRows); p <= Math.floor(last / kPageRows); ++p) out.push(p);
    return out;
  }

  function pump() {
    var wanted = total === 0 && pages.size === 0 ? [0] : wantedPages();
    wanted.forEach(function (p) {
      if (inFlight.size >= kMaxInFlight || pages.has(p) || inFlight.has(p)) return;
      var g = generation;
      inFlight.set(p, g);
      options.fetch(p * kPageRows, kPageRows).then(function (answer) {
        if (g !== generation) return;
        inFlight.delete(p);
        pages.set(p, answer.rows);
        if (answer.total !== total) {
          total = answer.total;
          // Rows gone from the filter (unassigned ones that were assigned)
          // cannot stay selected.
          removeRange(total, Number.MAX_SAFE_INTEGER);
          if (cursor >= total) cursor = total - 1;
          if (anchor >= total) anchor = -1;
          layout();
          if (options.onSelection) options.onSelection(selectedCount());
        }
        forget(p);
        schedule();
        if (options.onTotal) options.onTotal(total);
      }, function (e) {
        if (g !== generation) return;
        inFlight.delete(p);
        options.onError(e);
      });
    });
  }

  // Pages far from the view are dropped; they are fetched again when needed.
  function forget(keep) {
    if (pages.size <= kMaxPagesKept) return;
    var order = Array.from(pages.keys()).sort(function (a, b) { return Math.abs(b - keep) - Math.abs(a - keep); });
    for (var k = 0; pages.size > kMaxPagesKept; ++k) pages.delete(order[k]);
  }

  // --- drawing ------------------------------------------------------------

  function layout() {
    spacer.style.height = virtualHeight() + 'px';
    list.setAttribute('aria-rowcount', String(total + 1));
  }

  function schedule() {
    if (frame) return;
    frame = requestAnimationFrame(function () { frame = 0; draw(); pump(); });
  }

  function makeRow(i, r) {
    var div = document.createElement('div');
    div.className = 'row';
    div.setAttribute('role', 'row');
    div.setAttribute('aria-rowindex', String(i + 2));
    div.setAttribute('data-index', String(i));
    if (!r) {
      div.classList.add('loading');
      div.appendChild(cell('c-wait', options.texts.loading));
      return div;
    }
    div.setAttribute('data-id', String(r.id));
    div.appendChild(cell('c-id', r.id));
    div.appendChild(cell('c-date', r.date));
    div.appendChild(cell('c-time', r.time));
    div.appendChild(cell('c-mode', r.mode_name, true));
    div.appendChild(cell('c-value', kvd.valueText(r), true));
    div.appendChild(cell('c-device', r.device));
    div.appendChild(cell('c-place', kvd.placeText(r, true), true));
    return div;
  }
  // `titled`: a text that a narrow column may cut shows whole on hover.
  function cell(cls, text, titled) {
    var s = document.createElement('span');
    s.className = cls;
    s.setAttribute('role', 'gridcell');
    s.textContent = text === null || text === undefined ? '' : String(text);
    if (titled && s.textContent) s.title = s.textContent;
    return s;
  }

  function draw() {
    var topFloat = topPosition();
    var first = Math.max(0, Math.floor(topFloat) - kMargin);
    var last = Math.min(total - 1, Math.floor(topFloat) + visibleRows() + kMargin);
    var keep = new Map();
    for (var i = first; i <= last; ++i) {
      var r = rowAt(i);
      var div = drawn.get(i);
      if (!div || (r && div.classList.contains('loading'))) {
        if (div) div.remove();
        div = makeRow(i, r);
      }
      div.style.top = (viewport.scrollTop + (i - topFloat) * rowPx) + 'px';
      var sel = isSelected(i);
      div.classList.toggle('selected', sel);
      div.setAttribute('aria-selected', sel ? 'true' : 'false');
      div.classList.toggle('cursor', i === cursor);
      if (div.parentNode !== spacer) spacer.appendChild(div);
      keep.set(i, div);
    }
    drawn.forEach(function (div, k) { if (!keep.has(k)) div.remove(); });
    drawn = keep;
  }

  // --- the user -----------------------------------------------------------

  function indexOf(target) {
    var row = target.closest ? target.closest('.row') : null;
    return row ? Number(row.getAttribute('data-index')) : -1;
  }

  // Pixels of scrolling per pixel of rows: below 1 past kMaxHeight.
  function scrollScale() {
    return total * rowPx <= virtualHeight() ? 1 : (virtualHeight() - viewHeight()) / (total * rowPx - viewHeight());
  }

  function scrollToRow(i) {
    var topFloat = topPosition();
    var rows = Math.floor(viewHeight() / rowPx);
    var scale = scrollScale();
    if (i < topFloat) viewport.scrollTop = i * rowPx * scale;
    else if (i > topFloat + rows - 1) viewport.scrollTop = (i - rows + 1) * rowPx * scale;
  }

  function moveCursor(to, shift) {
    to = Math.max(0, Math.min(total - 1, to));
    if (total === 0) return;
    if (shift) {
      if (anchor < 0) anchor = cursor >= 0 ? cursor : to;
      ranges = [];
      addRange(Math.min(anchor, to), Math.max(anchor, to));
    } else {
      ranges = [[to, to]];
      anchor = to;
    }
    cursor = to;
    scrollToRow(to);
    changed();
  }

  viewport.addEventListener('scroll', schedule);
  window.addEventListener('resize', function () {
    var height = rowHeight();
    if (height !== rowPx) {
      var top = topPosition();
      rowPx = height;
      layout();
      viewport.scrollTop = top * rowPx * scrollScale();
    }
    schedule();
  });
  spacer.addEventListener('mousedown', function (e) {
    // Shift+click would otherwise select the page's text.
    if (e.shiftKey) e.preventDefault();
  });
  spacer.addEventListener('click', function (e) {
    var i = indexOf(e.target);
    if (i >= 0) { pick(i, e.shiftKey, e.ctrlKey || e.metaKey); list.focus({ preventScroll: true }); }
  });
  spacer.addEventListener('dblclick', function (e) {
    var i = indexOf(e.target);
    var r = i >= 0 ? rowAt(i) : null;
    if (r) options.onOpen(r);
  });
  list.addEventListener('keydown', function (e) {
    if (e.target !== list) return;
    var page = Math.max(1, Math.floor(viewHeight() / rowPx) - 1);
    var from = cursor < 0 ? -1 : cursor;
    switch (e.key) {
      case 'ArrowDown': moveCursor(from + 1, e.shiftKey); break;
      case 'ArrowUp': moveCursor(from < 0 ? 0 : from - 1, e.shiftKey); break;
      case 'PageDown': moveCursor(from + page, e.shiftKey); break;
      case 'PageUp': moveCursor(from - page, e.shiftKey); break;
      case 'Home': moveCursor(0, e.shiftKey); break;
      case 'End': moveCursor(total - 1, e.shiftKey); break;
      case ' ':
        if (cursor < 0) return;
        if (isSelected(cursor)) removeRange(cursor, cursor); else addRange(cursor, cursor);
        anchor = cursor;
        changed();
        break;
      case 'Enter': {
        var r = cursor >= 0 ? rowAt(cursor) : null;
        if (r) options.onOpen(r);
        break;
      }
      case 'a':
        if (!(e.ctrlKey || e.metaKey) || total === 0) return;
        ranges = [[0, total - 1]];
        changed();
        break;
      default: return;
    }
    e.preventDefault();
  });

  // The ids of the selected records, fetched where their pages are not at
  // hand; `limit` bounds what one action may ask for.
  function selectedIds(limit) {
    var count = selectedCount();
    if (count > limit) return Promise.reject(new Error(options.texts.tooMany));
    var g = generation;
    var ids = [], missing = [];
    ranges.forEach(function (r) {
      for (var i = r[0]; i <= r[1]; ++i) {
        var row = rowAt(i);
        if (row) ids.push(row.id); else missing.push(i);
      }
    });
    // The missing positions in runs, each fetched in requests of 500.
    var requests = [];
    for (var k = 0; k < missing.length;) {
      var start = missing[k], n = 1;
      while (k + n < missing.length && missing[k + n] === start + n && n < 500) ++n;
      requests.push([start, n]);
      k += n;
    }
    return requests.reduce(function (chain, q) {
      return chain.then(function () {
        return options.fetch(q[0], q[1]).then(function (answer) {
          if (g !== generation) throw new Error(options.texts.changed);
          answer.rows.forEach(function (row) { ids.push(row.id); });
        });
      });
    }, Promise.resolve()).then(function () { return ids; });
  }

  return {
    // The rows of the first page, for a filter tried before it is shown.
    pageRows: kPageRows,
    // A new filter or order: everything is fetched anew, nothing selected.
    // `first`, when given, is the server's answer for the first page.
    reset: function (first) {
      generation++;
      pages.clear();
      inFlight.clear();
      drawn.forEach(function (div) { div.remove(); });
      drawn.clear();
      ranges = [];
      anchor = cursor = -1;
      total = 0;
      if (first) {
        pages.set(0, first.rows);
        total = first.total;
      }
      viewport.scrollTop = 0;
      layout();
      changed();
      if (first && options.onTotal) options.onTotal(total);
    },
    // The same filter, rows changed (an assignment): fetched anew, the
    // selection and the position kept.
    reload: function () {
      generation++;
      pages.clear();
      inFlight.clear();
      drawn.forEach(function (div) { div.remove(); });
      drawn.clear();
      schedule();
    },
    total: function () { return total; },
    selectedCount: selectedCount,
    selectedIds: selectedIds
  };
}
