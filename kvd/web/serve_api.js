// What every page of kvd serve shares: its initial data, its texts, the
// calls of the server's API (every change is a POST that carries the CSRF
// token, since the server refuses any other), the error line and the Quit
// button. Nothing here decides what a number means: the pages show the
// server's texts as they come.
var kvd = (function () {
  'use strict';
  var dataElement = document.getElementById('kvd-data');
  var data = dataElement ? JSON.parse(dataElement.textContent) : {};
  var texts = data.texts || {};
  var lang = data.lang || document.documentElement.lang;
  var csrfMeta = document.querySelector('meta[name="kvd-csrf"]');
  var csrf = csrfMeta ? csrfMeta.getAttribute('content') : '';

  // A text of the page's language; {name} in it is replaced from `values`.
  // A text that counts has a form per plural category (serve_plural.js):
  // the count `n` chooses.
  function t(key, values) {
    var text = Object.prototype.hasOwnProperty.call(texts, key) ? texts[key] : key;
    if (values && typeof values.n === 'number') text = kvdPlural.form(text, lang, values.n);
    if (values) {
      text = text.replace(/\{(\w+)\}/g, function (m, name) {
        return Object.prototype.hasOwnProperty.call(values, name) ? String(values[name]) : m;
      });
    }
    return text;
  }

  function fieldLabel(name) {
    var key = { from: 'period_from', to: 'period_to' }[name] || name;
    return Object.prototype.hasOwnProperty.call(texts, key) ? texts[key] : name;
  }

  // A refusal of the server in the page's language where the page has words
  // for its code, else in the server's words (empty when there are none).
  // Points that a refusal counts records at read "School 5, room 101 (2); …";
  // a text "_one" of the code's words one record.
  function refusalText(body) {
    var key = body && body.code ? 'error_' + body.code : '';
    if (key && Object.prototype.hasOwnProperty.call(texts, key)) {
      var params = Object.assign({}, body.params);
      if (Array.isArray(params.points)) {
        params.places = params.points.map(function (p) { return placeText(p, true) + ' (' + p.records + ')'; })
          .concat(params.more_points ? [t('more_points', { n: params.more_points })] : []).join('; ');
      }
      // A field the refusal names reads as the page labels it.
      if (params.field) params.label = fieldLabel(params.field);
      if (params.n === 1 && Object.prototype.hasOwnProperty.call(texts, key + '_one')) key += '_one';
      return t(key, params);
    }
    return body && body.error ? body.error : '';
  }

  // An answer that is not 2xx becomes an Error with the server's message,
  // the status and the refusal's code and params, so that a page can tell a
  // refusal (409) from a failure and show a bad field's refusal at the field.
  function failure(status, body) {
    var message = refusalText(body) || t('error_status', { status: status });
    var e = new Error(message);
    e.status = status;
    e.code = body && body.code ? body.code : '';
    e.params = body && body.params ? body.params : {};
    return e;
  }

  function headers(json) {
    var h = { 'X-CSRF-Token': csrf, 'Accept': 'application/json', 'X-Kvd-Lang': lang };
    if (json) h['Content-Type'] = 'application/json';
    return h;
  }

  function parse(response) {
    return response.text().then(function (text) {
      var body = null;
      try { body = text ? JSON.parse(text) : null; } catch (e) { body = null; }
      if (response.status === 401 && body && body.code === 'signin_needed') signInAgain();
      if (!response.ok) throw failure(response.status, body);
      return body;
    });
  }

  // The lab server's session has ended (signed out in another tab, or
  // expired): the sign-in page, which brings the user back here.
  function signInAgain() {
    location.assign('/signin?' + new URLSearchParams({ next: location.pathname + location.search + location.hash }));
  }

  function networkFailure() {
    checkServer();
    var e = new Error(t('error_network'));
    e.status = 0;
    throw e;
  }

  function get(path, signal) {
    return fetch(path, { headers: { 'Accept': 'application/json', 'X-Kvd-Lang': lang }, signal: signal,
      credentials: 'same-origin' })
      .then(parse, function (e) { if (e && e.name === 'AbortError') throw e; return networkFailure(); });
  }

  function post(path, body) {
    return fetch(path, {
      method: 'POST', headers: headers(true), credentials: 'same-origin',
      body: JSON.stringify(body === undefined ? {} : body)
    }).then(parse, networkFailure);
  }

  // The file name that the server gives in Content-Disposition.
  function fileName(response, fallback) {
    var d = response.headers.get('Content-Disposition') || '';
    var star = /filename\*=UTF-8''([^;]+)/i.exec(d);
    if (star) return decodeURIComponent(star[1]);
    var plain = /filename="?([^";]+)"?/i.exec(d);
    return plain ? plain[1] : fallback;
  }

  // A POST whose answer is a file, saved through the browser's downloads.
  function download(path, body, fallbackName) {
    return fetch(path, {
      method: 'POST', headers: headers(true), credentials: 'same-origin', body: JSON.stringify(body)
    }).then(function (response) {
      if (!response.ok) return parse(response);
      var name = fileName(response, fallbackName);
      return response.blob().then(function (blob) {
        var url = URL.createObjectURL(blob);
        var a = document.createElement('a');
        a.href = url;
        a.download = name;
        document.body.appendChild(a);
        a.click();
        a.remove();
        setTimeout(function () { URL.revokeObjectURL(url); }, 60000);
        return name;
      });
    }, networkFailure);
  }

  // multipart/form-data through XMLHttpRequest, since fetch reports no
  // upload progress; onProgress gets the bytes sent so far.
  function upload(path, form, onProgress) {
    return new Promise(function (resolve, reject) {
      var xhr = new XMLHttpRequest();
      xhr.open('POST', path);
      xhr.setRequestHeader('X-CSRF-Token', csrf);
      xhr.setRequestHeader('Accept', 'application/json');
      xhr.setRequestHeader('X-Kvd-Lang', lang);
      xhr.upload.onprogress = function (e) { if (onProgress) onProgress(e.loaded); };
      xhr.onload = function () {
        var body = null;
        try { body = xhr.responseText ? JSON.parse(xhr.responseText) : null; } catch (e) { body = null; }
        if (xhr.status >= 200 && xhr.status < 300) resolve(body);
        else reject(failure(xhr.status, body));
      };
      xhr.onerror = function () {
        try { networkFailure(); } catch (e) { reject(e); }
      };
      xhr.send(form);
    });
  }

  var errorBox = document.getElementById('kvd-error');
  var errorText = document.getElementById('kvd-error-text');
  function showError(e) {
    if (!errorBox) return;
    errorText.textContent = e && e.message ? e.message : String(e);
    errorBox.hidden = false;
  }
  function clearError() { if (errorBox) errorBox.hidden = true; }
  var errorClose = document.getElementById('kvd-error-close');
  if (errorClose) errorClose.addEventListener('click', clearError);

  // Once the server has stopped nothing on the page can work: a notice
  // takes its place, and the links, which would lead nowhere, go.
  function showStopped(titleKey, textKey) {
    var box = document.getElementById('kvd-stopped');
    if (!box || !box.hidden) return;
    document.getElementById('kvd-stopped-title').textContent = t(titleKey);
    document.getElementById('kvd-stopped-text').textContent = t(textKey);
    document.querySelectorAll('main').forEach(function (m) { m.hidden = true; });
    document.querySelectorAll('header.top a').forEach(function (a) { a.removeAttribute('href'); });
    document.body.classList.add('server-stopped');
    clearError();
    box.hidden = false;
  }

  // A request that reached no server: when the server does not answer
  // either, it is gone (stopped, or out of reach), and the page says so.
  var askingServer = false;
  function checkServer() {
    if (askingServer) return;
    askingServer = true;
    fetch('/api/session', { headers: { 'Accept': 'application/json' }, credentials: 'same-origin' })
      .then(function () { askingServer = false; }, function () { showStopped('gone_title', 'gone'); });
  }

  var quit = document.getElementById('kvd-quit');
  var quitDialog = document.getElementById('kvd-quit-dialog');
  if (quit && quitDialog) {
    quit.addEventListener('click', function () {
      get('/api/session').then(function (session) {
        var shared = !!(session && session.listen);
        document.getElementById('kvd-quit-text').textContent = shared
          ? t('quit_question_network', { address: session.listen }) : t('quit_question');
        quitDialog.classList.toggle('shared', shared);
        quitDialog.showModal();
        // Enter does not stop a server that others use.
        document.getElementById(shared ? 'kvd-quit-cancel' : 'kvd-quit-ok').focus();
      }, showError);
    });
    document.getElementById('kvd-quit-cancel').addEventListener('click', function () { quitDialog.close(); });
    document.getElementById('kvd-quit-ok').addEventListener('click', function () {
      quitDialog.close();
      post('/api/quit').then(function () { showStopped('stopped_title', 'stopped'); }, showError);
    });
  }

  // Who is signed in to the lab server, named with the role in the header.
  // What a role may not do the templates leave out of the page, so that
  // the scripts offer what they find there; the personal server has no
  // accounts, and its user is offered everything.
  var me = data.me || null;
  // The header offers signing out on the lab server alone.
  var labServer = !!document.getElementById('kvd-signout');
  function roleName(role) { return t('role_' + role); }
  document.querySelectorAll('[data-role-of="me"]').forEach(function (e) {
    e.textContent = me && me.role ? '(' + roleName(me.role) + ')' : '';
  });

  // Signing out ends the session on the server, and the sign-in page
  // follows.
  var signOut = document.getElementById('kvd-signout');
  if (signOut) {
    signOut.addEventListener('click', function () {
      signOut.disabled = true;
      post('/api/logout').then(function () { location.assign('/signin'); }, function (e) {
        signOut.disabled = false;
        showError(e);
      });
    });
  }

  // The navigation marks where the user is: the page and the language.
  var page = document.body.getAttribute('data-page');
  document.querySelectorAll('header.top [data-page="' + page + '"]').forEach(function (a) {
    a.setAttribute('aria-current', 'page');
  });
  document.querySelectorAll('header.top [data-lang="' + (data.lang || document.documentElement.lang) + '"]').forEach(function (a) {
    a.setAttribute('aria-current', 'true');
  });

  // The language links keep what the page's address says after its path
  // (the records page keeps its filter there, the sign-in page where to go
  // next).
  function keepAddress() {
    document.querySelectorAll('header.top [data-lang]').forEach(function (a) {
      var q = new URLSearchParams(location.search);
      q.set('lang', a.getAttribute('data-lang'));
      a.href = '?' + q.toString() + location.hash;
    });
  }
  window.addEventListener('hashchange', keepAddress);
  keepAddress();

  // Creates an element with a class and a text.
  function el(tag, className, text) {
    var e = document.createElement(tag);
    if (className) e.className = className;
    if (text !== undefined && text !== null) e.textContent = String(text);
    return e;
  }

  function option(value, text) {
    var o = document.createElement('option');
    o.value = value;
    o.textContent = text === undefined ? value : text;
    return o;
  }

  // One row of cells, each a text or an element.
  function row(cells, cellTag) {
    var tr = document.createElement('tr');
    cells.forEach(function (c) {
      var td = document.createElement(cellTag || 'td');
      if (c instanceof Node) td.appendChild(c); else td.textContent = c === null || c === undefined ? '' : String(c);
      tr.appendChild(td);
    });
    return tr;
  }

  function link(href, text) {
    var a = document.createElement('a');
    a.href = href;
    a.textContent = text;
    return a;
  }

  // "Room 12, point 3" as the lab says it; the object in front when asked.
  function placeText(r, withObject) {
    if (!r.object && !r.room && !r.point) return '';
    var parts = [];
    if (withObject && r.object) parts.push(r.object);
    if (r.floor) parts.push(t('floor_short', { floor: r.floor }));
    if (r.room) parts.push(t('room_short', { room: r.room }));
    if (r.point) parts.push(t('point_short', { point: r.point }));
    return parts.join(', ');
  }

  // The value as the record browser's list gives it, ± its error, in the
  // unit that the server names.
  function valueText(r) {
    return r.value + (r.error ? ' \u00B1 ' + r.error : '') + (r.unit ? ' ' + r.unit : '');
  }

  // "2024-03-12" or "2024-03-12 08:00:00" as the instrument writes dates,
  // "12.03.2024" or "12.03.2024 08:00:00", on the pages of both languages;
  // another text stays as it is.
  function labDate(text) {
    var m = /^(\d{4})-(\d{2})-(\d{2})(?:[ T](.+))?$/.exec(text || '');
    if (!m) return text || '';
    return m[3] + '.' + m[2] + '.' + m[1] + (m[4] ? ' ' + m[4] : '');
  }

  // A time of the server's clock, UTC "2024-03-12 08:00:00", in the
  // reader's own time as "12.03.2024 11:00"; another text stays as it is.
  function localTime(text) {
    var m = /^(\d{4})-(\d{2})-(\d{2})[ T](\d{2}):(\d{2})(?::(\d{2}))?$/.exec(text || '');
    if (!m) return text || '';
    var d = new Date(Date.UTC(+m[1], m[2] - 1, +m[3], +m[4], +m[5], +(m[6] || 0)));
    var two = function (n) { return (n < 10 ? '0' : '') + n; };
    return two(d.getDate()) + '.' + two(d.getMonth() + 1) + '.' + d.getFullYear() + ' ' +
      two(d.getHours()) + ':' + two(d.getMinutes());
  }

  // A change's reason from its dialog's "Reason" field, added to the
  // request's body only when one is given.
  function withReason(body, form) {
    var field = form && form.elements.reason;
    var reason = field ? field.value.trim() : '';
    if (reason) body.reason = reason;
    return body;
  }

  return {
    data: data, lang: lang, t: t, labDate: labDate, localTime: localTime, withReason: withReason,
    me: me, labServer: labServer, roleName: roleName,
    get: get, post: post, download: download, upload: upload, refusalText: refusalText,
    showError: showError, clearError: clearError, keepAddress: keepAddress,
    el: el, option: option, row: row, link: link, placeText: placeText, valueText: valueText
  };
})();
