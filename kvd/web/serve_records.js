// The records page: the filter and the order (kept in the address after #,
// so that a link can name a filter), the list, and what can be done with
// the selected records or with every record of the filter: assign them to
// a point, unassign them, export them.
(function () {
  'use strict';
  var t = kvd.t, data = kvd.data;
  var kFilterKeys = ['object', 'floor', 'room', 'point', 'device', 'from', 'to', 'mode', 'unassigned'];
  // Dates are read by the server, as kvd reads --from and --to; the page
  // sends one only when it is entered (Enter, or leaving the field).
  var kDateKeys = ['from', 'to'];
  // An action on the selection sends its ids; past this many the filter
  // says it better.
  var kMaxSelectedIds = 100000;
  var form = document.getElementById('filter');
  var filter = {}, sort = 'date', dir = 'asc';

  function fill(select, items) {
    items.forEach(function (i) { select.appendChild(kvd.option(i[0], i[1])); });
  }
  fill(form.elements.object, (data.objects || []).map(function (o) { return [o.name, o.name]; }));
  fill(form.elements.device, (data.devices || []).map(function (d) { return [String(d), String(d)]; }));
  fill(form.elements.mode, (data.modes || []).map(function (m) { return [String(m.code), m.code + ' ' + m.name]; }));
  // The objects the assign dialog offers, for a role that may assign.
  var objectNames = document.getElementById('objects');
  if (objectNames) fill(objectNames, (data.objects || []).map(function (o) { return [o.name]; }));

  function objectNamed(name) {
    return (data.objects || []).filter(function (o) { return o.name === name; })[0];
  }
  // The rooms and points of an object, offered while typing.
  function offer(listId, name, key) {
    var o = objectNamed(name);
    var seen = {};
    var box = document.getElementById(listId);
    box.replaceChildren();
    (o ? o.points : []).forEach(function (p) {
      if (p[key] && !seen[p[key]]) { seen[p[key]] = true; box.appendChild(kvd.option(p[key])); }
    });
  }

  // The filter and the order of the address, tried as the user's own.
  function readAddress() {
    var q = new URLSearchParams(location.hash.replace(/^#/, ''));
    var wanted = {};
    kFilterKeys.forEach(function (k) { if (q.get(k)) wanted[k] = q.get(k); });
    kFilterKeys.forEach(function (k) {
      var f = form.elements[k];
      if (!f) return;
      if (f.type === 'checkbox') f.checked = wanted[k] === '1';
      else f.value = wanted[k] || '';
    });
    offer('rooms', wanted.object, 'room');
    offer('points', wanted.object, 'point');
    placeFields();
    refused = {};
    forgetChangedDates();
    show(wanted, q.get('sort') || 'date', q.get('dir') === 'desc' ? 'desc' : 'asc', true);
  }

  function writeAddress() {
    var q = new URLSearchParams();
    kFilterKeys.forEach(function (k) { if (filter[k]) q.set(k, filter[k]); });
    if (sort !== 'date') q.set('sort', sort);
    if (dir !== 'asc') q.set('dir', dir);
    history.replaceState(null, '', location.pathname + (q.toString() ? '#' + q.toString() : ''));
    kvd.keepAddress();
  }

  // A text past the server's limit goes only as far as one character more,
  // so that the address stays short enough for the server to read and its
  // refusal names the field.
  function query(f, sortKey, direction, offset, limit) {
    var q = new URLSearchParams();
    Object.keys(f).forEach(function (k) {
      q.set(k, Array.from(String(f[k])).slice(0, (data.text_limit || Infinity) + 1).join(''));
    });
    q.set('sort', sortKey);
    q.set('dir', direction);
    q.set('offset', String(offset));
    q.set('limit', String(limit));
    return '/api/records?' + q.toString();
  }

  var counts = document.getElementById('counts');
  function showCounts() {
    counts.textContent = t('records_selected', { total: list.total(), selected: list.selectedCount() });
  }

  var list = kvdRecordList({
    list: document.getElementById('list'),
    viewport: document.getElementById('viewport'),
    spacer: document.getElementById('spacer'),
    texts: { loading: t('loading'), tooMany: t('too_many_selected', { n: kMaxSelectedIds }), changed: t('list_changed') },
    fetch: function (offset, limit) { return kvd.get(query(filter, sort, dir, offset, limit)); },
    onOpen: function (r) { location.href = '/records/' + encodeURIComponent(r.id); },
    onError: kvd.showError,
    onSelection: showCounts,
    onTotal: showCounts
  });

  // The mark stands on one heading: the one clicked, or the first of its
  // key (date and time both sort by the date and time).
  var sortHead = null;
  function markSort() {
    var heads = Array.prototype.slice.call(document.querySelectorAll('.list-head [data-sort]'));
    var marked = sortHead && sortHead.getAttribute('data-sort') === sort ? sortHead
      : heads.filter(function (b) { return b.getAttribute('data-sort') === sort; })[0];
    heads.forEach(function (b) {
      var on = b === marked;
      b.setAttribute('aria-sort', on ? (dir === 'asc' ? 'ascending' : 'descending') : 'none');
      b.classList.toggle('sorted', on);
    });
  }

  // Records at no point have no object, room or point to filter by.
  function placeFields() {
    var none = form.elements.unassigned.checked;
    ['object', 'room', 'point'].forEach(function (k) {
      if (none) form.elements[k].value = '';
      form.elements[k].disabled = none;
    });
  }

  var result = document.getElementById('action-result');

  // A date the server refused, by its field: the field keeps the text and
  // says why, and the filter goes on without it until it is changed.
  var refused = {};
  function dateError(key, message) {
    var f = form.elements[key], box = document.getElementById('f-' + key + '-error');
    box.textContent = message || '';
    box.hidden = !message;
    if (message) f.setAttribute('aria-invalid', 'true'); else f.removeAttribute('aria-invalid');
  }
  function forgetChangedDates() {
    kDateKeys.forEach(function (k) {
      if (refused[k] !== form.elements[k].value.trim()) { delete refused[k]; dateError(k, ''); }
    });
  }

  // A new filter or order is tried before the list shows it: only the
  // server's first page of it replaces the list, so that a refused date
  // leaves the list, its selection and the address as they were. A date
  // that a bookmark brings is refused at its field and the rest of the
  // filter shown.
  var attempt = 0;
  // The filter and order last asked for, shown or not yet.
  var asked = { filter: filter, sort: sort, dir: dir };
  function show(next, sortKey, direction, fromAddress) {
    var mine = ++attempt;
    asked = { filter: next, sort: sortKey, dir: direction };
    kvd.get(query(next, sortKey, direction, 0, list.pageRows)).then(function (answer) {
      if (mine !== attempt) return;
      forgetChangedDates();
      if (JSON.stringify(next) !== JSON.stringify(filter)) result.textContent = '';
      filter = next;
      sort = sortKey;
      dir = direction;
      offer('rooms', filter.object, 'room');
      offer('points', filter.object, 'point');
      writeAddress();
      markSort();
      kvd.clearError();
      list.reset(answer);
    }, function (e) {
      if (mine !== attempt) return;
      asked = { filter: filter, sort: sort, dir: dir };
      var key = e.params && e.params.field;
      if (kDateKeys.indexOf(key) < 0 || !(key in next)) { kvd.showError(e); return; }
      // Dates in the wrong order are tried again with any change; a date
      // that is none, only once it is changed.
      if (e.code === 'bad_date') refused[key] = next[key];
      dateError(key, e.message);
      var rest = Object.assign({}, next);
      delete rest[key];
      if (fromAddress || JSON.stringify(rest) !== JSON.stringify(filter)) show(rest, sortKey, direction, fromAddress);
    });
  }

  function apply() {
    placeFields();
    forgetChangedDates();
    var next = {}, last = asked.filter;
    kFilterKeys.forEach(function (k) {
      var f = form.elements[k], v;
      // A floor comes only from a link; a new object's filter drops it.
      if (!f) v = k === 'floor' && last.object === next.object ? last.floor : '';
      else v = f.type === 'checkbox' ? (f.checked ? '1' : '') : f.value.trim();
      if (v && refused[k] !== v) next[k] = v;
    });
    // A field left without a change (its change event on leaving it) keeps
    // the list and its selection.
    if (JSON.stringify(next) === JSON.stringify(last)) return;
    show(next, sort, dir, false);
  }

  // Typed filters apply after a pause, chosen ones at once, dates on Enter
  // or when the field is left.
  var typing = 0;
  form.addEventListener('input', function (e) {
    if (e.target.tagName !== 'INPUT' || e.target.type !== 'text' || kDateKeys.indexOf(e.target.name) >= 0) return;
    clearTimeout(typing);
    typing = setTimeout(apply, 300);
  });
  form.addEventListener('keydown', function (e) {
    if (e.key !== 'Enter' || kDateKeys.indexOf(e.target.name) < 0) return;
    e.preventDefault();
    clearTimeout(typing);
    apply();
  });
  form.addEventListener('change', function () { clearTimeout(typing); apply(); });
  form.addEventListener('submit', function (e) { e.preventDefault(); apply(); });
  form.addEventListener('reset', function () {
    setTimeout(function () { placeFields(); forgetChangedDates(); show({}, sort, dir, false); }, 0);
  });

  document.querySelectorAll('.list-head [data-sort]').forEach(function (b) {
    b.addEventListener('click', function () {
      var key = b.getAttribute('data-sort');
      sortHead = b;
      // A second click reverses the order even before the first one's
      // answer has come, and a filter on its way is kept.
      show(asked.filter, key, key === asked.sort && asked.dir === 'asc' ? 'desc' : 'asc', false);
    });
  });

  // --- actions --------------------------------------------------------

  var scope = document.getElementById('scope');

  // What an action applies to: the selected ids, or the filter itself.
  function target() {
    if (scope.value === 'filter') return Promise.resolve({ filter: Object.assign({}, filter) });
    if (list.selectedCount() === 0) return Promise.reject(new Error(t('select_first')));
    return list.selectedIds(kMaxSelectedIds).then(function (ids) { return { records: ids }; });
  }
  function targetText() {
    return scope.value === 'filter' ? t('scope_filter_n', { n: list.total() })
      : t('scope_selection_n', { n: list.selectedCount() });
  }

  document.getElementById('export').addEventListener('click', function () {
    var format = document.getElementById('format').value;
    target().then(function (what) {
      // The file keeps the list's order and the page's language.
      Object.assign(what, { format: format, sort: sort, dir: dir, lang: kvd.lang });
      result.textContent = t('export_running');
      return kvd.download('/api/export', what, 'records.' + format).then(function (name) {
        result.textContent = t('export_done', { file: name });
      });
    }).catch(function (e) { result.textContent = ''; kvd.showError(e); });
  });

  // Assigning and unassigning are offered to a role that may place records.
  var unassign = document.getElementById('unassign');
  if (unassign) unassign.addEventListener('click', function () {
    target().then(function (what) {
      return kvd.post('/api/unassign', what).then(function (a) {
        result.textContent = t('unassigned_done', { n: a.unassigned });
        list.reload();
      });
    }).catch(kvd.showError);
  });

  // The dialog (serve_assign.js) places the records this bar applies to.
  if (document.getElementById('assign-dialog')) kvdAssignDialog({
    target: target, targetText: targetText, offer: offer,
    ready: function () { return scope.value === 'filter' || list.selectedCount() > 0; },
    object: function () { return filter.object; },
    onAssigned: function (a) {
      result.textContent = t('assigned_done', { assigned: a.assigned, already: a.already, moved: a.moved }) +
        (a.point_created ? ' ' + t('point_created') : '');
      return kvd.get('/api/archive').then(function (archive) {
        data.objects = archive.objects;
        objectNames.replaceChildren();
        fill(objectNames, data.objects.map(function (o) { return [o.name]; }));
        list.reload();
      });
    }
  });

  window.addEventListener('hashchange', readAddress);
  markSort();
  showCounts();
  readAddress();
})();
