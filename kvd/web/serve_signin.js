// The lab server's sign-in page: login and password; a refusal is said at
// the form, a login locked after too many failures with how long it stays
// locked. Once signed in the page goes where the user was sent from (a path
// of this server only, never another site) or to the archive.
(function () {
  'use strict';
  var t = kvd.t;
  var form = document.getElementById('signin-form');
  var errorBox = document.getElementById('signin-error');
  var button = document.getElementById('signin-ok');
  // How long the server keeps a login locked when it does not say.
  var kLockMinutes = 15;

  // `next` only when it is a path of this server: "/records", never
  // "//elsewhere.example" or "https://…", and never the sign-in page itself.
  function nextPath() {
    var next = new URLSearchParams(location.search).get('next') || '';
    if (!/^\/(?![\/\\])/.test(next) || next.indexOf('\\') >= 0) return '/';
    var url = new URL(next, location.origin);
    if (url.origin !== location.origin || url.pathname === '/signin') return '/';
    return url.pathname + url.search + url.hash;
  }

  function lockedMinutes(params) {
    if (params && typeof params.minutes === 'number') return params.minutes;
    if (params && typeof params.seconds === 'number') return Math.max(1, Math.ceil(params.seconds / 60));
    return kLockMinutes;
  }

  function say(text) {
    errorBox.textContent = text;
    errorBox.hidden = !text;
  }

  form.addEventListener('submit', function (e) {
    e.preventDefault();
    var login = form.elements.login.value.trim(), password = form.elements.password.value;
    if (!login || !password) {
      say(t('signin_empty'));
      (login ? form.elements.password : form.elements.login).focus();
      return;
    }
    say('');
    button.disabled = true;
    kvd.post('/api/login', { login: login, password: password }).then(function () {
      location.assign(nextPath());
    }, function (err) {
      button.disabled = false;
      if (err.code === 'signin_locked') say(t('error_signin_locked', { n: lockedMinutes(err.params) }));
      else say(err.message);
      form.elements.password.value = '';
      form.elements.password.focus();
    });
  });
})();
