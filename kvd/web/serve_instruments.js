// The instruments page: every device of the archive with its model, type,
// serial number, certificate, stated error and verification period, as the
// protocol names them; "Edit" changes them through the same setting as kvd
// archive device set.
(function () {
  'use strict';
  var t = kvd.t, devices = kvd.data.devices || [];
  var body = document.querySelector('#devices tbody');
  var dialog = document.getElementById('device-dialog');
  var form = document.getElementById('device-form');
  var errorBox = document.getElementById('device-error');
  var saved = document.getElementById('device-saved');
  var editing = null;
  var kTexts = ['model', 'type', 'serial', 'certificate', 'error'];
  // Editing is offered to a role that may change a device.
  var editable = !!dialog;

  function period(d) {
    if (!d.verified_from && !d.verified_until) return null;
    return [kvd.labDate(d.verified_from) || '…', kvd.labDate(d.verified_until) || '…'];
  }

  function rowOf(d) {
    var p = period(d);
    var cells = [String(d.number), d.model, d.type, d.serial || String(d.number), d.certificate, d.error,
      p ? p[0] : t('verification_none'), p ? p[1] : ''];
    if (editable) {
      var edit = kvd.el('button', null, t('edit'));
      edit.type = 'button';
      edit.setAttribute('aria-label', t('device_edit', { number: d.number }));
      edit.addEventListener('click', function () { open(d); });
      var tools = kvd.el('span', 'row-tools');
      tools.appendChild(edit);
      cells.push(tools);
    }
    var row = kvd.row(cells);
    // At a phone's width a device is a block of named lines.
    ['device_number', 'device_model', 'device_type', 'device_serial', 'device_certificate', 'device_error',
      'verified_from', 'verified_until'].forEach(function (key, i) { row.cells[i].setAttribute('data-label', t(key)); });
    row.cells[0].className = 'n';
    row.setAttribute('data-device', String(d.number));
    row.cells[6].className = row.cells[7].className = 'date';
    if (!p) {
      row.cells[6].colSpan = 2;
      row.cells[6].className = 'missing';
      row.cells[6].removeAttribute('data-label');
      row.deleteCell(7);
    }
    return row;
  }

  function show() {
    body.replaceChildren();
    devices.forEach(function (d) { body.appendChild(rowOf(d)); });
    if (devices.length === 0) {
      var empty = kvd.row([t('devices_none')]);
      empty.cells[0].colSpan = editable ? 9 : 8;
      body.appendChild(empty);
    }
  }

  function open(d) {
    editing = d;
    kvdFields.clear(form, errorBox);
    document.getElementById('device-h').textContent = t('device_title', { number: d.number });
    kTexts.forEach(function (k) { form.elements[k].value = d[k] || ''; });
    form.elements.verified_from.value = kvd.labDate(d.verified_from);
    form.elements.verified_until.value = kvd.labDate(d.verified_until);
    form.elements.reason.value = '';
    dialog.showModal();
  }

  if (editable) document.getElementById('device-cancel').addEventListener('click', function () { dialog.close(); });

  if (editable) form.addEventListener('submit', function (e) {
    e.preventDefault();
    kvdFields.clear(form, errorBox);
    var change = {};
    kTexts.concat(['verified_from', 'verified_until']).forEach(function (k) {
      change[k] = form.elements[k].value.trim();
    });
    var number = editing.number;
    kvd.post('/api/devices/' + encodeURIComponent(number), kvd.withReason(change, form)).then(function (answer) {
      devices = devices.map(function (d) { return d.number === number ? answer : d; });
      show();
      dialog.close();
      saved.textContent = t('device_saved', { number: number });
      var edit = body.querySelector('tr[data-device="' + number + '"] button');
      if (edit) edit.focus();
    }, function (err) { kvdFields.refusal(form, err, errorBox); });
  });

  show();
})();
