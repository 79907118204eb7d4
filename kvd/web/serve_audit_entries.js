// The audit trail's entries as people read them, shared by the audit page
// and an object's history: when (in the reader's own time; the server
// keeps UTC), who, what was done in words, to what, what changed (each
// field as old → new) and why. The list is fetched newest first, a page at
// a time; "More" asks for the next ones. Loaded before serve_api.js, it
// uses kvd only once it is called.
var kvdAudit = (function () {
  'use strict';
  function t(key, values) { return kvd.t(key, values); }
  function el(tag, className, text) { return kvd.el(tag, className, text); }
  var kPage = 50;
  // The most entries the server gives at once: older ones are found by
  // the filter.
  var kMost = 1000;
  // Shown in a list of values; the rest are counted.
  var kListItems = 10;
  // Field names that differ from the page's own words for them.
  var kFieldTexts = {
    name: 'object_name', address: 'object_address', client: 'object_client', notes: 'object_notes',
    from: 'period_from', to: 'period_to', number: 'device_number', known: 'known_count'
  };
  var kPlaceKeys = ['object', 'floor', 'room', 'point'];

  function has(key) { return t(key) !== key; }

  function actionText(action) {
    var key = 'action_' + String(action).replace(/\./g, '_');
    return has(key) ? t(key) : action;
  }

  // An entry's before or after: JSON as a text (or already read), "" or
  // null for nothing.
  function read(value) {
    if (value === null || value === undefined || value === '') return null;
    if (typeof value !== 'string') return value;
    try { return JSON.parse(value); } catch (e) { return value; }
  }

  function label(action, key) {
    if (has('audit_field_' + key)) return t('audit_field_' + key);
    // An account's, the laboratory's, a protocol's and a device's fields
    // as their pages label them.
    var page = { user: 'user_', lab: 'lab_', protocol: 'protocol_', device: 'device_' }[String(action).split('.')[0]];
    if (page && has(page + key)) return t(page + key);
    if (kFieldTexts[key]) return t(kFieldTexts[key]);
    return has(key) ? t(key) : key;
  }

  // The shapes the archive writes alike in every entry: a point ([object,]
  // floor, room, point), a placement (a point, a device and a period), a
  // list of records ({"records": "1-500,720", "count": 501}).
  function isObject(v) { return v !== null && typeof v === 'object' && !Array.isArray(v); }
  function isPoint(v) { return isObject(v) && 'room' in v && 'point' in v; }
  function isPlacement(v) { return isPoint(v) && 'device' in v && 'from' in v; }
  function isRecords(v) { return isObject(v) && typeof v.records === 'string' && typeof v.count === 'number'; }

  function recordsText(v) {
    return v.records ? t('audit_records', { records: v.records, n: v.count }) : t('n_records', { n: v.count });
  }

  function placementText(p) {
    var text = t('placement_what', { device: p.device, place: kvd.placeText(p, true), from: kvd.labDate(p.from), to: kvd.labDate(p.to) });
    if (!Array.isArray(p.kept)) return text;
    var kept = p.kept.map(function (k) { return kvd.labDate(k.from) + ' \u2013 ' + kvd.labDate(k.to); });
    return text + ' \u2192 ' + (kept.length ? t('audit_kept', { periods: kept.join(', ') }) : t('audit_gone'));
  }

  function valueText(key, v) {
    if (/password/i.test(key)) return t('audit_hidden');
    if (v === null || v === undefined || v === '') return '\u2014';
    if (typeof v === 'boolean') return t(v ? 'yes' : 'no');
    if (key === 'role' && has('role_' + v)) return kvd.roleName(v);
    if (key === 'kind' && has('kind_' + String(v).replace(/-/g, '_'))) return t('kind_' + String(v).replace(/-/g, '_'));
    if (key === 'signers' && Array.isArray(v)) {
      return v.map(function (p) { return p.name + (p.position ? ' (' + p.position + ')' : ''); }).join(', ');
    }
    if (Array.isArray(v)) {
      var shown = v.slice(0, kListItems).map(function (item) { return valueText('', item); }).join(isObject(v[0]) ? '; ' : ', ');
      return v.length > kListItems ? shown + ' ' + t('audit_more_items', { n: v.length - kListItems }) : shown;
    }
    if (isPlacement(v)) return placementText(v);
    if (isPoint(v)) return kvd.placeText(v, true) + (isRecords(v) ? ': ' + recordsText(v) : '');
    if (isRecords(v)) return recordsText(v);
    if (isObject(v)) {
      return Object.keys(v).map(function (k) { return label('', k) + ': ' + valueText(k, v[k]); }).join('; ');
    }
    return kvd.labDate(String(v));
  }

  function empty(v) { return v === null || v === undefined || v === '' || v === false || (Array.isArray(v) && !v.length); }

  // What was added or removed, or where things stood before and after: a
  // placement in one line, a point in one line with its records, then the
  // other fields that have a value, a line each.
  function stateLines(action, v) {
    if (!isObject(v)) return [valueText('', v)];
    if (isPlacement(v)) return [placementText(v)];
    var lines = [], skip = {};
    if (isPoint(v)) {
      lines.push(t('point') + ': ' + kvd.placeText(v, true));
      kPlaceKeys.forEach(function (k) { skip[k] = true; });
    }
    if (isRecords(v)) {
      lines.push(t('audit_field_records') + ': ' + recordsText(v));
      skip.records = skip.count = true;
    }
    Object.keys(v).forEach(function (k) {
      if (!skip[k] && !empty(v[k])) lines.push(label(action, k) + ': ' + valueText(k, v[k]));
    });
    return lines;
  }

  // An edit (the same fields before and after) a line per changed field,
  // "Room: 101 → 102"; else what was before and what is after.
  function changes(entry) {
    var before = read(entry.before), after = read(entry.after);
    var list = el('ul', 'changes');
    function line(text, className) { list.appendChild(el('li', className, text)); }
    var keys = isObject(before) && isObject(after) ? Object.keys(after) : null;
    if (keys && JSON.stringify(keys.slice().sort()) === JSON.stringify(Object.keys(before).sort())) {
      keys.forEach(function (k) {
        if (JSON.stringify(before[k]) === JSON.stringify(after[k])) return;
        line(label(entry.action, k) + ': ' + valueText(k, before[k]) + ' \u2192 ' + valueText(k, after[k]));
      });
      return list;
    }
    var both = before !== null && after !== null;
    [[before, 'audit_before', 'before'], [after, 'audit_after', 'after']].forEach(function (part) {
      if (part[0] === null) return;
      if (both) line(t(part[1]), 'heading');
      stateLines(entry.action, part[0]).forEach(function (text) { line(text, both ? part[2] : null); });
    });
    return list;
  }

  function rowOf(entry) {
    var reason = entry.reason ? el('span', 'reason', entry.reason) : el('span', 'missing-reason', '—');
    var change = changes(entry);
    var row = kvd.row([kvd.localTime(entry.at), entry.who, actionText(entry.action), entry.target,
      change.childNodes.length ? change : '', reason]);
    ['at', 'who', 'action', 'target', 'change', 'why'].forEach(function (name, i) {
      row.cells[i].className = 'a-' + name;
      row.cells[i].setAttribute('data-label', t('audit_col_' + name));
    });
    row.setAttribute('data-entry', String(entry.id));
    row.setAttribute('data-action', entry.action);
    return row;
  }

  // The entries of a filter (the API's: object, user, since; given to
  // show()) in the body of `options.table`; `options.more` is the button
  // that asks for the next page, `options.limit` the note shown when the
  // server's most entries are in the page.
  function list(options) {
    var body = options.table.querySelector('tbody');
    var shown = 0, asking = 0, filter = {};

    function load(count) {
      var mine = ++asking;
      var q = new URLSearchParams(filter);
      // One more than shown tells whether there are more.
      count = Math.min(count, kMost);
      q.set('limit', String(Math.min(count + 1, kMost)));
      options.more.disabled = true;
      return kvd.get('/api/audit?' + q.toString()).then(function (entries) {
        if (mine !== asking) return;
        body.replaceChildren();
        entries.slice(0, count).forEach(function (e) { body.appendChild(rowOf(e)); });
        shown = Math.min(count, entries.length);
        if (shown === 0) {
          var empty = kvd.row([t('audit_none')]);
          empty.cells[0].colSpan = 6;
          body.appendChild(empty);
        }
        options.more.hidden = entries.length <= count || count >= kMost;
        options.limit.hidden = count < kMost || entries.length < kMost;
        options.more.disabled = false;
      }, function (e) {
        if (mine !== asking) return;
        options.more.disabled = false;
        kvd.showError(e);
      });
    }

    options.more.addEventListener('click', function () { load(shown + kPage); });
    return {
      show: function (next) { filter = next || {}; return load(kPage); },
      reload: function () { return load(Math.max(shown, kPage)); }
    };
  }

  return { list: list, actionText: actionText };
})();
