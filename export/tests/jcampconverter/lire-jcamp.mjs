// Reads JCAMP-DX files with an independent parser and prints, for each, the
// abscissas and ordinates it found as one JSON line.
// Usage: node lire-jcamp.mjs <folder holding node_modules> <file>...
import { readFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { join } from 'node:path';
import { pathToFileURL } from 'node:url';

const [dossier, ...fichiers] = process.argv.slice(2);
const require = createRequire(join(dossier, 'package.json'));
const { convert } = await import(pathToFileURL(require.resolve('jcampconverter')).href);

for (const fichier of fichiers) {
  const resultat = convert(readFileSync(fichier, 'utf8'), { keepRecordsRegExp: /.*/ });
  const entree = resultat.flatten[0];
  const donnees = entree?.spectra?.[0]?.data ?? { x: [], y: [] };
  console.log(JSON.stringify({
    fichier,
    titre: entree?.info?.TITLE ?? null,
    x: Array.from(donnees.x),
    y: Array.from(donnees.y),
  }));
}
