// Counted words on the pages: the forms of the pages' own texts chosen for
// each count as English and Russian say them (no browser needed).
'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const plural = require('../../kvd/web/serve_plural.js');
const texts = require('../../kvd/web/serve_texts.json');

function say(lang, key, n) { return plural.form(texts[lang][key], lang, n).replace('{n}', String(n)); }

test('Russian counts take one, few or many', () => {
  const cases = [
    [0, '0 помещений', '0 точек', '0 записей'],
    [1, '1 помещение', '1 точка', '1 запись'],
    [2, '2 помещения', '2 точки', '2 записи'],
    [4, '4 помещения', '4 точки', '4 записи'],
    [5, '5 помещений', '5 точек', '5 записей'],
    [11, '11 помещений', '11 точек', '11 записей'],
    [12, '12 помещений', '12 точек', '12 записей'],
    [14, '14 помещений', '14 точек', '14 записей'],
    [21, '21 помещение', '21 точка', '21 запись'],
    [22, '22 помещения', '22 точки', '22 записи'],
    [25, '25 помещений', '25 точек', '25 записей'],
    [101, '101 помещение', '101 точка', '101 запись'],
    [111, '111 помещений', '111 точек', '111 записей'],
  ];
  for (const [n, rooms, points, records] of cases) {
    assert.deepEqual([say('ru', 'n_rooms', n), say('ru', 'n_points', n), say('ru', 'n_records', n)],
      [rooms, points, records], 'n = ' + n);
  }
});

test('English counts take one or other', () => {
  for (const n of [0, 1, 2, 4, 5, 11, 12, 14, 21, 22, 25, 101, 111]) {
    const s = n === 1 ? '' : 's';
    assert.deepEqual([say('en', 'n_rooms', n), say('en', 'n_points', n), say('en', 'n_records', n)],
      [n + ' room' + s, n + ' point' + s, n + ' record' + s], 'n = ' + n);
  }
});

test('every counted text has the forms its language needs', () => {
  const forms = { en: 2, ru: 3 };
  for (const key of Object.keys(texts.en)) {
    const counted = ['en', 'ru'].filter((lang) => texts[lang][key].includes('|'));
    if (counted.length === 0) continue;
    for (const lang of ['en', 'ru']) {
      assert.equal(texts[lang][key].split('|').length, forms[lang], lang + ' ' + key);
    }
  }
});
