// Loaded by the player page before the player line, so anything the player
// needs to find already defined must be set up here. Nothing is needed yet;
// the function scope keeps the page's global names untouched meanwhile.
(function () {
  'use strict';
})();
