// Removing the object from its page, after asking: its records stay in the
// archive, taken off its points, and the archive page follows.
(function () {
  'use strict';
  var t = kvd.t, o = kvd.data;
  var dialog = document.getElementById('object-remove-dialog');
  var form = document.getElementById('object-remove-form');
  var errorBox = document.getElementById('object-remove-error');

  document.getElementById('object-remove').addEventListener('click', function () {
    kvdFields.clear(form, errorBox);
    form.elements.reason.value = '';
    document.getElementById('object-remove-what').textContent = o.records > 0
      ? t('object_remove_records', { name: o.name, n: o.records }) : t('object_remove_empty', { name: o.name });
    dialog.showModal();
  });
  dialog.querySelector('.cancel').addEventListener('click', function () { dialog.close(); });

  form.addEventListener('submit', function (e) {
    e.preventDefault();
    kvdFields.clear(form, errorBox);
    // Records are taken off only when the question said so; any that came
    // meanwhile make the archive refuse.
    var body = kvd.withReason({ unassign: o.records > 0 }, form);
    kvd.post('/api/objects/' + encodeURIComponent(o.id) + '/remove', body).then(function () {
      location.assign('/');
    }, function (err) { kvdFields.refusal(form, err, errorBox); });
  });
})();
