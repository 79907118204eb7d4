// The audit page, for admins: every change of the archive, newest first,
// filtered by object, by who made it and by a day from which on (the
// reader's own day: the page turns it into the server's UTC). The filter
// stays in the page's address after #, so that a link can name it.
(function () {
  'use strict';
  var t = kvd.t;
  var form = document.getElementById('audit-filter');
  var kKeys = ['object', 'user', 'since'];
  var entries = kvdAudit.list({
    table: document.getElementById('audit'), more: document.getElementById('audit-more'),
    limit: document.getElementById('audit-limit')
  });

  function two(n) { return (n < 10 ? '0' : '') + n; }

  // The start of a day typed as dd.mm.yyyy (or yyyy-mm-dd) in the reader's
  // time zone, as the server's UTC "YYYY-MM-DDThh:mm:ss"; null when the
  // text is no day.
  function sinceUtc(text) {
    var m = /^(\d{1,2})\.(\d{1,2})\.(\d{4})$/.exec(text), y, mo, d;
    if (m) { y = +m[3]; mo = +m[2]; d = +m[1]; } else {
      m = /^(\d{4})-(\d{2})-(\d{2})$/.exec(text);
      if (!m) return null;
      y = +m[1]; mo = +m[2]; d = +m[3];
    }
    var day = new Date(y, mo - 1, d);
    if (y < 1900 || day.getFullYear() !== y || day.getMonth() !== mo - 1 || day.getDate() !== d) return null;
    return day.getUTCFullYear() + '-' + two(day.getUTCMonth() + 1) + '-' + two(day.getUTCDate()) + 'T' +
      two(day.getUTCHours()) + ':' + two(day.getUTCMinutes()) + ':00';
  }

  function sinceError(message) {
    var box = document.getElementById('af-since-error'), field = form.elements.since;
    box.textContent = message || '';
    box.hidden = !message;
    if (message) field.setAttribute('aria-invalid', 'true'); else field.removeAttribute('aria-invalid');
  }

  function typed() {
    var out = {};
    kKeys.forEach(function (k) { var v = form.elements[k].value.trim(); if (v) out[k] = v; });
    return out;
  }

  var last = null;
  function apply() {
    var wanted = typed(), query = Object.assign({}, wanted);
    sinceError('');
    if (wanted.since) {
      query.since = sinceUtc(wanted.since);
      if (!query.since) {
        sinceError(t('error_bad_day', { text: wanted.since }));
        form.elements.since.focus();
        return;
      }
    }
    var key = JSON.stringify(wanted);
    if (key === last) return;
    last = key;
    history.replaceState(null, '', location.pathname + location.search +
      (Object.keys(wanted).length ? '#' + new URLSearchParams(wanted).toString() : ''));
    kvd.keepAddress();
    entries.show(query);
  }

  function readAddress() {
    var q = new URLSearchParams(location.hash.replace(/^#/, ''));
    kKeys.forEach(function (k) { form.elements[k].value = q.get(k) || ''; });
    apply();
  }

  form.addEventListener('submit', function (e) { e.preventDefault(); apply(); });
  form.addEventListener('change', apply);
  form.addEventListener('reset', function () { setTimeout(apply, 0); });
  window.addEventListener('hashchange', readAddress);

  // The objects and logins the filter offers while typing; the filter
  // works without them.
  function offer(id, names) {
    var box = document.getElementById(id);
    names.forEach(function (n) { box.appendChild(kvd.option(n)); });
  }
  kvd.get('/api/archive').then(function (a) {
    offer('af-objects', a.objects.map(function (o) { return o.name; }));
  }, function () {});
  if (kvd.labServer) {
    kvd.get('/api/users').then(function (users) {
      offer('af-users', users.map(function (u) { return u.login; }));
    }, function () {});
  }

  readAddress();
})();
