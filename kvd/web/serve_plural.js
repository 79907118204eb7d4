// Counted words as each language says them: a text of the pages that
// counts holds its forms separated by "|", in the order of the language's
// plural categories (English: one, other; Russian: one, few, many, as in
// 1 запись, 2 записи, 5 записей), and the browser's own plural rules
// (Intl.PluralRules) choose among them.
var kvdPlural = (function () {
  'use strict';
  var kCategories = { en: ['one', 'other'], ru: ['one', 'few', 'many'] };

  function categories(lang) { return kCategories[lang] || kCategories.en; }

  // The category of a whole count: 'one', 'few', 'many' or 'other'.
  function category(lang, n) {
    var c = new Intl.PluralRules(lang).select(n);
    // A language's rules may name categories that its texts do not have
    // (Russian 'other' is for fractions): the last form stands for them.
    return categories(lang).indexOf(c) >= 0 ? c : categories(lang)[categories(lang).length - 1];
  }

  // The form of `text` ("{n} запись|{n} записи|{n} записей") for `n`; a
  // text without forms is itself.
  function form(text, lang, n) {
    var forms = String(text).split('|');
    if (forms.length === 1) return forms[0];
    var at = categories(lang).indexOf(category(lang, n));
    return forms[Math.min(at, forms.length - 1)];
  }

  return { category: category, form: form };
})();
if (typeof module === 'object' && module.exports) module.exports = kvdPlural;
