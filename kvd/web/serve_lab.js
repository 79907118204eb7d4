// The laboratory's details, for admins: what its protocols name (name,
// address, accreditation, method, decision rule, coverage factor, how they
// are numbered). Only the fields changed are sent, so that the audit trail
// names only those; the archive checks them and a refusal is shown at the
// field it names.
(function () {
  'use strict';
  var t = kvd.t;
  var form = document.getElementById('lab-form');
  var errorBox = document.getElementById('lab-error');
  var saved = document.getElementById('lab-saved');
  var kFields = ['name', 'address', 'phone', 'email', 'accreditation', 'accredited_until', 'method',
    'decision_rule', 'coverage_factor', 'number_format', 'footer'];
  // The field each of the archive's refusals is about.
  var kFieldOf = { lab_coverage_factor: 'coverage_factor', lab_number_format: 'number_format',
    lab_date: 'accredited_until' };
  var button = document.getElementById('lab-save');
  var lab = null;

  // A value as the form shows it: dates as the lab writes them.
  function shown(key, value) {
    if (key === 'accredited_until') return kvd.labDate(value);
    return value === null || value === undefined ? '' : String(value);
  }

  function show(details) {
    lab = details;
    kFields.forEach(function (k) { form.elements[k].value = shown(k, lab[k]); });
    button.disabled = false;
  }

  form.addEventListener('input', function () { saved.textContent = ''; });

  form.addEventListener('submit', function (e) {
    e.preventDefault();
    kvdFields.clear(form, errorBox);
    saved.textContent = '';
    var change = {};
    kFields.forEach(function (k) {
      var value = form.elements[k].value.trim();
      if (value !== shown(k, lab[k])) change[k] = value;
    });
    if (Object.keys(change).length === 0) { saved.textContent = t('lab_unchanged'); return; }
    button.disabled = true;
    kvd.post('/api/lab', kvd.withReason(change, form)).then(function (answer) {
      show(answer);
      form.elements.reason.value = '';
      saved.textContent = t('saved');
    }, function (err) {
      button.disabled = false;
      var field = err.params && err.params.field ? err.params.field : kFieldOf[err.code];
      kvdFields.refusal(form, { message: err.message, params: { field: field } }, errorBox);
    });
  });

  kvd.get('/api/lab').then(show, kvd.showError);
})();
