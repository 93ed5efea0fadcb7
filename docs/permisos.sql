-- The rights of Quiltaro's database user: exactly what the program needs, nothing more.
--
-- Run it as an administrator of the server (mariadb -u root < permisos.sql) after replacing
--   datos1  with the "Base de datos a usar" of Quiltaro.ini (the host's database),
--   caja    with the user of Trevanto.ini (MySQLUsuario), and its password.
-- The host's tables must exist already. A login from the server's own machine counts as
-- 'caja'@'localhost' where the server has anonymous ''@'localhost' accounts (a fresh
-- mariadb-install-db makes them): then create 'caja'@'localhost' as well, with the same rights.

-- The reports database, where the movement table's definition (ravesta) lives. The program
-- creates it itself when the user may create databases; otherwise it must exist.
CREATE DATABASE IF NOT EXISTS trevantoreportes CHARACTER SET utf8mb4;

CREATE USER IF NOT EXISTS 'caja'@'%' IDENTIFIED BY 'cambie esta contraseña';

-- The host's documents and customers, read only.
GRANT SELECT ON datos1.facturas TO 'caja'@'%';
GRANT SELECT ON datos1.remisiones TO 'caja'@'%';
GRANT SELECT ON datos1.devolucionctes TO 'caja'@'%';
GRANT SELECT ON datos1.edoctacli TO 'caja'@'%';
GRANT SELECT ON datos1.clientes TO 'caja'@'%';

-- The working copy of the report in the host's database: made at start, emptied (TRUNCATE
-- needs DROP) and filled at each Print, read by the report, dropped at exit.
GRANT CREATE, DROP, INSERT, SELECT ON datos1.tmpravesta TO 'caja'@'%';

-- The scratch tables of each Print, gone when the session ends.
GRANT CREATE TEMPORARY TABLES ON datos1.* TO 'caja'@'%';

-- The movement table's definition: created on the first start, then only read by SHOW CREATE
-- TABLE, which any right on the table allows.
GRANT CREATE ON trevantoreportes.ravesta TO 'caja'@'%';
