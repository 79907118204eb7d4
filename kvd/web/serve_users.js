// The lab server's accounts, for admins: who may sign in, in which role,
// and under which name the audit trail shows them. An account is added,
// its name, position and role changed, a new password set, or it is
// disabled and enabled again; never deleted, so that the audit trail still
// names everyone in it. Each change may carry a reason; the archive decides
// and a refusal is shown at the field it names.
(function () {
  'use strict';
  var t = kvd.t, el = kvd.el;
  var users = [];
  var body = document.querySelector('#users tbody');
  var result = document.getElementById('users-result');
  var kDetails = ['name', 'position', 'role'];
  // The field each of the archive's refusals of an account is about.
  var kFieldOf = {
    login_invalid: 'login', login_taken: 'login', name_missing: 'name', password_short: 'password',
    password_is_login: 'password', last_admin: 'role'
  };

  function dialogOf(id) {
    var dialog = document.getElementById(id + '-dialog');
    var form = document.getElementById(id + '-form');
    var box = document.getElementById(id + '-error');
    dialog.querySelector('.cancel').addEventListener('click', function () { dialog.close(); });
    return {
      dialog: dialog, form: form, box: box,
      open: function (title) {
        kvdFields.clear(form, box);
        form.elements.reason.value = '';
        document.getElementById(id + '-h').textContent = title;
        dialog.showModal();
      },
      refused: function (err) {
        var field = err.params && err.params.field ? err.params.field : kFieldOf[err.code];
        if (field && !form.elements[field]) field = null;
        kvdFields.refusal(form, { message: err.message, params: { field: field } }, box);
      }
    };
  }
  var details = dialogOf('user'), password = dialogOf('password'), active = dialogOf('active');

  // The two passwords typed must be the same, said at the second.
  function passwordsDiffer(d) {
    if (d.form.elements.password.value === d.form.elements.password2.value) return false;
    d.refused({ message: t('user_passwords_differ'), params: { field: 'password2' } });
    return true;
  }

  function rowOf(u) {
    var tools = el('span', 'row-tools');
    function tool(text, action) {
      var b = el('button', null, text);
      b.type = 'button';
      b.setAttribute('aria-label', text + ': ' + u.login);
      b.addEventListener('click', function () { action(u); });
      tools.appendChild(b);
    }
    tool(t('edit'), edit);
    tool(t('user_password_set'), newPassword);
    // An admin does not lock themselves out of the session in hand.
    if (!kvd.me || u.login !== kvd.me.login) tool(u.active ? t('user_disable') : t('user_enable'), switchActive);
    var row = kvd.row([u.login, u.name, u.position, kvd.roleName(u.role),
      u.active ? t('user_active') : t('user_disabled'), kvd.localTime(u.created_at), tools]);
    ['login', 'name', 'position', 'role', 'state', 'created'].forEach(function (name, i) {
      row.cells[i].setAttribute('data-label', t('user_' + name));
    });
    row.cells[5].className = 'date';
    row.setAttribute('data-login', u.login);
    if (!u.active) row.className = 'inactive';
    return row;
  }

  function show() {
    body.replaceChildren();
    users.forEach(function (u) { body.appendChild(rowOf(u)); });
  }

  // The list as the server has it now, with the message of the change and
  // the focus back on the changed account's row.
  function changed(message, login) {
    result.textContent = message;
    return kvd.get('/api/users').then(function (list) {
      users = list;
      show();
      var first = body.querySelector('tr[data-login="' + CSS.escape(login) + '"] button');
      if (first) first.focus();
    }, kvd.showError);
  }

  // --- add and edit ----------------------------------------------------

  var editing = null;
  function showNewFields(fresh) {
    details.form.querySelectorAll('[data-for-new]').forEach(function (e) { e.hidden = !fresh; });
  }

  document.getElementById('user-add').addEventListener('click', function () {
    editing = null;
    showNewFields(true);
    details.form.reset();
    details.form.elements.role.value = 'viewer';
    details.open(t('user_add_title'));
    details.form.elements.login.focus();
  });

  function edit(u) {
    editing = u;
    showNewFields(false);
    kDetails.forEach(function (k) { details.form.elements[k].value = u[k] || ''; });
    details.open(t('user_edit_title', { login: u.login }));
  }

  details.form.addEventListener('submit', function (e) {
    e.preventDefault();
    kvdFields.clear(details.form, details.box);
    var f = details.form.elements, change = {};
    kDetails.forEach(function (k) { change[k] = f[k].value.trim(); });
    var request;
    if (editing) {
      // Only what changed goes, so that the audit trail names only that.
      kDetails.forEach(function (k) { if (change[k] === (editing[k] || '')) delete change[k]; });
      if (Object.keys(change).length === 0) { details.dialog.close(); return; }
      request = kvd.post('/api/users/' + encodeURIComponent(editing.login), kvd.withReason(change, details.form));
    } else {
      if (passwordsDiffer(details)) return;
      change.login = f.login.value.trim();
      change.password = f.password.value;
      request = kvd.post('/api/users', kvd.withReason(change, details.form));
    }
    var login = editing ? editing.login : change.login;
    request.then(function () {
      details.dialog.close();
      return changed(t(editing ? 'user_saved' : 'user_added', { login: login }), login);
    }, details.refused);
  });

  // --- password ---------------------------------------------------------

  var passwordOf = null;
  function newPassword(u) {
    passwordOf = u;
    password.form.reset();
    password.form.elements.login.value = u.login;
    password.open(t('user_password_title', { login: u.login }));
    password.form.elements.password.focus();
  }

  password.form.addEventListener('submit', function (e) {
    e.preventDefault();
    kvdFields.clear(password.form, password.box);
    if (passwordsDiffer(password)) return;
    var login = passwordOf.login;
    kvd.post('/api/users/' + encodeURIComponent(login),
      kvd.withReason({ password: password.form.elements.password.value }, password.form)).then(function () {
      password.dialog.close();
      password.form.reset();
      return changed(t('user_password_done', { login: login }), login);
    }, password.refused);
  });

  // --- disable and enable ------------------------------------------------

  var switching = null;
  function switchActive(u) {
    switching = u;
    var what = u.login + (u.name ? ' (' + u.name + ')' : '');
    document.getElementById('active-what').textContent =
      t(u.active ? 'user_disable_what' : 'user_enable_what', { who: what });
    var ok = document.getElementById('active-ok');
    ok.textContent = u.active ? t('user_disable') : t('user_enable');
    ok.className = u.active ? 'danger' : '';
    active.open(t(u.active ? 'user_disable_title' : 'user_enable_title', { login: u.login }));
  }

  active.form.addEventListener('submit', function (e) {
    e.preventDefault();
    kvdFields.clear(active.form, active.box);
    var u = switching, on = !u.active;
    kvd.post('/api/users/' + encodeURIComponent(u.login), kvd.withReason({ active: on }, active.form)).then(function () {
      active.dialog.close();
      return changed(t(on ? 'user_enabled' : 'user_disabled_done', { login: u.login }), u.login);
    }, active.refused);
  });

  kvd.get('/api/users').then(function (list) { users = list; show(); }, function (e) {
    body.replaceChildren();
    kvd.showError(e);
  });
})();
